#pragma once
// The report-writer state and the routines that write report documents.
//
// A report document is a text file (Windows-1252, CR LF) of header tags and drawing
// commands, one per line:
//     <!font!>Courier New<!/font!>        <!nHojas!>3<!/nHojas!>
//     <!Orientacion!>V<!/Orientacion!>    <!Color!>&H80000005&<!/Color!>
//     pPos|x|y|text|bold|size|page|       pCuadro|x1|y1|x2|y2|page|       pNuevaHoja
// Positions are twips from the page's top-left corner, sizes points, pages 0-based.
// A text never splits its line: the writer puts the broken bar "¦" for every "|" of a text
// (a name, a series, a line of a file) and a space for every line end.
//
// ReportWriter holds the state a build shares between its routines (one per process,
// reportWriter(), reset by each build): the open document, its path, the page being written
// (1-based), the lines of the flowing writer on that page, the row position of the last
// flowing line and the report width that selects the page length.
//
// Errors: the routines never throw. A failure to create or write the document, or a row
// position or page number that leaves the 16-bit range, puts the writer in a failed state (failed(),
// errorString()); later writes are dropped and close() reports the failure. The document
// is written through AtomicFile, so a failed build never leaves a truncated file behind and
// never replaces the document that was there.

#include "common/text/atomicfile.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace qav {

// pos = pos + step; the new position as text without spaces. No value when the sum leaves
// the 16-bit range (pos is then left as it was).
std::optional<QString> AvanzaFila(qint16 &pos, qint16 step);

class ReportWriter
{
public:
    ReportWriter();
    ~ReportWriter();
    ReportWriter(const ReportWriter &) = delete;
    ReportWriter &operator=(const ReportWriter &) = delete;

    // Starts a build: creates the document at `path` (ReportPath) and resets PageNumber to 1,
    // LineCount and RowPos to 0. ReportWidth and ReportDestination are left as the caller set.
    bool open(const QString &path);
    // Ends the build: writes the document out. False when anything failed on the way.
    bool close();
    // Abandons the build without writing the document.
    void discard();
    bool isOpen() const { return m_file != nullptr; }
    bool failed() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    // Flowing line writer: the line drawn at the left margin 175 twips below the previous
    // one, counted, with a page break when the page is full (NarrowPageLength lines when
    // ReportWidth < 83, else WidePageLength). A header tag ("<!...") is written as it
    // stands, only on page 1.
    void pLinea(const QString &line);
    // One positioned text, or a page break when the text is exactly "pNuevaHoja"; a header
    // tag only while PageNumber <= 1. No counting: callers manage pages themselves.
    void pTextoPos(qint16 x, qint16 y, const QString &text, bool bold, int size, qint16 page);
    // One rectangle outline.
    void pCuadroPos(qint16 x1, qint16 y1, qint16 x2, qint16 y2, qint16 page);

    int pageLength() const { return ReportWidth < 83 ? NarrowPageLength : WidePageLength; }

    QString ReportPath;
    QString ReportDestination;
    qint16 PageNumber = 1;
    qint16 LineCount = 0;
    qint16 RowPos = 0;
    qint16 ReportWidth = 104;
    // Page lengths of the flowing writer; the send receipt's writer pages at 80 and 44.
    qint16 NarrowPageLength = 85;
    qint16 WidePageLength = 83;

private:
    bool writing() const;
    void writeLine(QStringView line);
    void append(QStringView text);
    void append(int number);
    void endLine();
    void flush();
    void fail(const QString &error);

    std::unique_ptr<AtomicFile> m_file;
    QByteArray m_buffer;
    QString m_error;
};

// The process's writer state.
ReportWriter &reportWriter();

} // namespace qav
