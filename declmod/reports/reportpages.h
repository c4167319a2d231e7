#pragma once
// ReportPages: a report document opened for showing and printing one page at a time.
//
// open() reads the file once and keeps, for every page, where its lines lie in the file
// (and the header values); page() reads those lines again when the page is drawn. So a
// document of any length is opened at once, and the memory held does not depend on what
// its pages contain: a few bytes a page for the index, nothing for the drawings.
//
// Lines are read by the rules of the report reader (reportreader.h); elements are grouped by
// their page field, so the pages of a document follow its page numbers whatever the order of
// its lines. A page number that no element uses (a gap) is an empty page.
//
// Errors: open() returns false with a text when the file cannot be read; page() returns
// what it can read (an empty page when the file has gone in between).

#include "common/report/reportreader.h"

#include <QFile>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace declmod {

struct PageRange;

class ReportPages
{
public:
    ReportPages();
    ~ReportPages();

    bool open(const QString &path, QString *error = nullptr);
    bool isOpen() const { return m_file != nullptr; }
    QString path() const { return m_path; }

    // Header values (font, declared pages, orientation, colour); its element list is empty.
    const qav::ReportDocument &header() const { return m_header; }
    bool landscape() const { return m_header.orientation == u"H"; }
    // One more than the highest page of any element, at least 1.
    int pageCount() const { return qMax(1, int(m_ranges.size())); }
    // The drawing elements of page `page` (0-based), in document order.
    QList<qav::ReportElement> page(int page) const;
    // The pages to render: all of them, or those of the 1-based inclusive range that exist.
    QList<int> pagesToRender(const PageRange *range) const;
    // Lines that are neither tags, page breaks nor readable drawing commands.
    int skippedLines() const { return m_skipped; }

private:
    struct Span {
        qint64 start;
        qint64 end;
    };
    void addLine(const char *line, qsizetype size, qint64 offset, qint64 next);

    QString m_path;
    std::unique_ptr<QFile> m_file;
    qav::ReportDocument m_header;
    std::vector<std::vector<Span>> m_ranges; // by page
    int m_runPage = -1;
    Span m_run{0, 0};
    int m_skipped = 0;
};

} // namespace declmod
