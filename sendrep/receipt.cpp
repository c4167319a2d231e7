#include "sendrep/receipt.h"

#include "common/amount/amount.h"
#include "common/amount/picture.h"
#include "common/text/textfile.h"

namespace sendrep {
namespace {

QString spaces(int n)
{
    return QString(n, u' ');
}

QString dateText(const QDateTime &when)
{
    return when.date().toString(QStringLiteral("dd/MM/yyyy"));
}

// Appends the amount when its text is a number; a missing sum leaves the line as it is.
void appendAmount(QString &line, const QString &value, QStringView picture, int width)
{
    if (isAmountText(value))
        FitAmount(line, value, picture, width);
}

} // namespace

bool isAmountText(const QString &text)
{
    return !text.isNull() && qav::Amount::isNumeric(text);
}

void FitAmount(QString &line, const QString &value, QStringView picture, int width)
{
    const QString text = qav::formatPicture(QStringView(value), picture);
    line += u' ';
    line += text.size() < width ? text.rightJustified(width, u' ') : text;
}

void PlainTextWriter::WriteTextLine(const QString &text)
{
    m_bytes += qav::encodeCp1252(text.isEmpty() ? QStringLiteral(" ") : text);
    m_bytes += "\r\n";
    if (++m_lines >= PageLines) {
        m_bytes += "\x0f\r\n";
        m_lines = 0;
    }
}

void writePlainReceipt(PlainTextWriter &out, const Receipt &r)
{
    static const QStringView picture = u"###,###,###,##0.#0";
    out.WriteTextLine(QStringLiteral("DOCUMENTO      : ") + r.ruc);
    out.WriteTextLine(QStringLiteral("RAZON SOCIAL   : ") + r.name.left(20));
    out.WriteTextLine(QStringLiteral("FORMULARIO     : ") + r.form + QStringLiteral("-QAV Detalle de Operaciones"));
    out.WriteTextLine(QStringLiteral("EJERCICIO      : ") + r.yearField.left(4));
    out.WriteTextLine(QStringLiteral("TRIBUTO        VEN.TOTALES   VEN.GRAV."));
    QString amounts = spaces(13);
    appendAmount(amounts, r.totalSales, picture, 12);
    appendAmount(amounts, r.taxedSales, picture, 12);
    out.WriteTextLine(amounts);
    out.WriteTextLine(QString());
    out.WriteTextLine(QStringLiteral("NC ") + r.receiptNumber + spaces(2) + QStringLiteral("Fec.Generación: ")
                      + dateText(r.when));
}

void writeReportDocument(qav::ReportWriter &w, const Receipt &r)
{
    const QString margin = spaces(10);
    const QString empty;
    w.pLinea(QStringLiteral("<!font!>Courier New<!/font!>"));
    w.pLinea(QStringLiteral("<!nHojas!>1<!/nHojas!>"));
    w.pLinea(empty);
    w.pLinea(QStringLiteral("<!Orientacion!>V<!/Orientacion!>"));
    w.pLinea(QStringLiteral("<!Color!>&H80000005&<!/Color!>"));
    for (int i = 0; i < 4; ++i)
        w.pLinea(empty);
    w.pLinea(margin + dateText(r.when) + spaces(56) + QStringLiteral("Pag. 01/01"));
    w.pLinea(margin + r.when.time().toString(QStringLiteral("HH:mm:ss")));
    w.pLinea(empty);
    w.pLinea(margin + spaces(6) + QStringLiteral("CONSTANCIA DE ENVIO DEL ")
             + QStringLiteral("QAV DETALLE DE OPERACIONES"));
    w.pLinea(empty);
    w.pLinea(margin + QStringLiteral("DOCUMENTO        : ") + r.ruc);
    w.pLinea(margin + QStringLiteral("RAZON SOCIAL     : ") + r.name);
    w.pLinea(margin + QStringLiteral("FORMULARIO       : ") + r.form + QStringLiteral("-QAV Detalle de Operaciones"));
    w.pLinea(margin + QStringLiteral("EJERCICIO        : ") + r.yearField.left(4));
    w.pLinea(empty);
    w.pLinea(margin + QStringLiteral("                   VEN.TOTALES       VEN.GRAV."));
    w.pLinea(empty);
    QString amounts = margin + spaces(17);
    appendAmount(amounts, r.totalSales, u"###,###,###,##0.#0", 12);
    appendAmount(amounts, r.taxedSales, u"#,###,###,###,##0.#0", 14);
    w.pLinea(amounts);
    w.pLinea(empty);
    w.pLinea(margin + QStringLiteral("NC ") + r.receiptNumber + spaces(8) + QStringLiteral("Fec.Generación: ")
             + dateText(r.when));
    for (int i = 0; i < 3; ++i)
        w.pLinea(empty);
}

} // namespace sendrep
