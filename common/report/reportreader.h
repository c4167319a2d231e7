#pragma once
// Reads report documents (the format is described in reportwriter.h) into their header
// values and drawing elements, for the preview and the printer.
//
// Each line is read on its own and never past its end: characters are gathered into a
// token until it ends with "|" (a command: pPos, pPosVerti, pCuadro), "!>" (an opening
// header tag) or "aHoja" (pNuevaHoja). A line that cannot be read - no such ending, an
// unknown command, too few fields, a tag without its closing tag, a number that does not
// fit 16 bits, a bold field that is not a truth value, a negative page - is skipped and
// counted in skippedLines; reading never fails on the content of a document.
//
// Numeric fields take the longest leading decimal number of the field (spaces before it
// skipped, an optional sign, digits with one optional point), rounded exactly to an integer
// with halves to even; an empty or non-numeric field reads as 0.

#include <QList>
#include <QString>

#include <optional>

namespace qav {

struct ReportElement {
    enum Kind { Text, VerticalText, Box, PageBreak };
    Kind kind = Text;
    qint16 x = 0;
    qint16 y = 0;
    qint16 x2 = 0; // boxes
    qint16 y2 = 0; // boxes
    QString text;  // texts, exactly as written
    bool bold = false;
    qint16 size = 0;
    // The 0-based page the element is drawn on. For a page break: the page of the last
    // drawing element before it (0 when there is none), which the printer's page range
    // decides on.
    qint16 page = 0;
};

struct ReportDocument {
    QString font;
    std::optional<qint16> declaredPages; // the nHojas tag
    QString orientation;                 // trimmed
    QString color;                       // trimmed, as written ("&H80000005&")
    // Drawing elements and page breaks in document order.
    QList<ReportElement> elements;
    int pageBreaks = 0;
    int skippedLines = 0;

    // Pages the document draws on: one more than the highest page of its drawing elements,
    // at least 1. A page break after the last element opens no page.
    int pageCount() const;
    // The drawing elements of each page (index = page), in document order.
    QList<QList<ReportElement>> pages() const;
};

// The value of a numeric field; no value when the number does not fit 16 bits.
std::optional<qint16> readNumericField(QStringView field);
// The value of a truth field, trimmed: "True", "False" (in any case), or a decimal number
// (true when not zero); no value otherwise.
std::optional<bool> readBoolField(QStringView field);

// Parses one line (without its line end) into `doc`; false when the line was skipped.
bool parseReportLine(QStringView line, ReportDocument *doc);
// Parses a whole document; CR LF, a lone CR and a lone LF each end a line.
ReportDocument parseReportDocument(QStringView text);
// Reads a document file; false (with *error) when the file cannot be read.
bool readReportDocument(const QString &path, ReportDocument *doc, QString *error = nullptr);

// The declared page count of a document: the number in its first line holding "<!nHojas!>";
// 0 when there is none or the file cannot be read.
qint16 LeeNumHojas(const QString &path);

} // namespace qav
