#include "declmod/import/vouchertypes.h"

#include "declmod/session/lookups.h"

#include "common/param/referencerows.h"
#include "common/text/textfile.h"

namespace declmod {

bool ParamVoucherTypes::codes(QStringList *codes, QString *error) const
{
    codes->clear();
    QList<ParamListEntry> entries;
    if (!readModuleParamList(m_db, QStringLiteral("233"), 1, 0, &entries, error))
        return false;
    for (const ParamListEntry &entry : entries)
        codes->append(entry.code);
    return true;
}

bool ReferenceVoucherTypes::codes(QStringList *codes, QString *) const
{
    codes->clear();
    for (const auto &row : qav::referenceVoucherTypeRows())
        if (row.second.mid(66, 1) == u"1")
            codes->append(row.first);
    return true;
}

VoucherTypeSet::VoucherTypeSet(const QStringList &codes)
{
    for (const QString &code : codes) {
        if (code.size() != 2)
            continue;
        // A character outside the code page can never appear in an import file.
        bool encodable = true;
        for (QChar c : code)
            encodable = encodable && (c == u'?' || qav::cp1252Code(c) != '?');
        if (!encodable)
            continue;
        const QByteArray bytes = qav::encodeCp1252(code);
        m_bits.set(static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]));
    }
}

} // namespace declmod
