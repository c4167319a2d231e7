#include "declmod/reports/muestrareporte.h"

#include "declmod/reports/frmpreview.h"
#include "declmod/reports/printers.h"

#include <QApplication>

namespace declmod {

void MuestraReporte(const QString &fileName, const QString &mode)
{
    frmPreview preview(QApplication::activeWindow());
    preview.setReportFileName(fileName);
    if (mode == u"Vprevia") {
        preview.setWindowModality(Qt::ApplicationModal);
        preview.load();
        if (!preview.closedOnError())
            runDialog(preview);
        return;
    }
    preview.pDesencripta(fileName, QStringLiteral("xx"));
}

} // namespace declmod
