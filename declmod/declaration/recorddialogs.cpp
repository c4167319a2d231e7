#include "declmod/declaration/recorddialogs.h"

namespace declmod {
namespace {

RecordDialogOpener &detailOpener()
{
    static RecordDialogOpener opener;
    return opener;
}

RecordDialogOpener &importOpener()
{
    static RecordDialogOpener opener;
    return opener;
}

} // namespace

void setDetailDialogOpener(RecordDialogOpener opener)
{
    detailOpener() = std::move(opener);
}

const RecordDialogOpener &detailDialogOpener()
{
    return detailOpener();
}

void setImportDialogOpener(RecordDialogOpener opener)
{
    importOpener() = std::move(opener);
}

const RecordDialogOpener &importDialogOpener()
{
    return importOpener();
}

} // namespace declmod
