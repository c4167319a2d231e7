#pragma once
// The send receipt ("CONSTANCIA DE ENVIO") of one sent declaration, in its two forms:
//  - the report document, every line through the flowing writer (pLinea), so that each
//    text becomes a pPos element at x 10, 175 twips below the previous one;
//  - the short plain-text receipt, every line through WriteTextLine.
// Both take the date and time of the receipt from `when` (the caller passes qav::now()),
// and leave an amount out when its text is not a number (a declaration without voucher
// lines has no sums).
//
// Errors: none here; the report writer keeps its own failed state, and the plain-text
// lines are only collected, the caller writes them out.

#include "common/report/reportwriter.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace sendrep {

struct Receipt {
    QString ruc;           // as on the command line, trailing spaces kept
    QString name;          // the taxpayer's name (CONT)
    QString form;          // "7093"
    QString yearField;     // the year positions of the command line
    QString receiptNumber; // printed after "NC "
    QString totalSales;    // the formatted sum, or empty when there is none
    QString taxedSales;
    QDateTime when;
};

// Picture of the two sums as they are kept.
inline constexpr QStringView kSumPicture = u"###,###,###,###,##0.#0";

// Appends one space and the value formatted with the picture; when the formatted text is
// shorter than `width` it is right-aligned in `width` characters, otherwise appended as it
// is. The value is a number as text ("1234.5", "1,234.50"); a text that is not a number is
// appended unchanged.
void FitAmount(QString &line, const QString &value, QStringView picture, int width);

// True when the text holds a number (grouping commas allowed), as the sums are kept.
bool isAmountText(const QString &text);

// The plain-text writer: one line per call (a single space for an empty text), Windows-1252
// with CR LF; after every 80 lines a line holding only the character 15.
class PlainTextWriter
{
public:
    static constexpr int PageLines = 80;
    void WriteTextLine(const QString &text);
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    int m_lines = 0;
};

// The plain-text receipt, line by line as WriteTextLine writes it.
void writePlainReceipt(PlainTextWriter &out, const Receipt &receipt);

// The report document through the writer's pLinea; the writer must be open.
void writeReportDocument(qav::ReportWriter &writer, const Receipt &receipt);

} // namespace sendrep
