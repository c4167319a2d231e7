#include "declmod/reports/reportpages.h"

#include "declmod/reports/reportstate.h"

#include "common/text/syserror.h"
#include "common/text/textfile.h"

#include <cstring>

namespace declmod {
namespace {

// The page field of a drawing command written as the writers write it: "pPos|", "pPosVerti|"
// or "pCuadro|" at the start of the line, the page in field 6 (texts) or 5 (boxes), ended by
// "|". -1 when the line is not of that plain form (the full reader then decides), -2 when it
// is but its page cannot be read (the line is skipped).
int plainPage(const char *s, qsizetype n)
{
    int fields = 0;
    qsizetype i = 0;
    auto starts = [&](const char *word) {
        const qsizetype len = qsizetype(std::strlen(word));
        return n >= len && std::memcmp(s, word, size_t(len)) == 0;
    };
    if (starts("pPos|")) {
        fields = 6;
        i = 5;
    } else if (starts("pPosVerti|")) {
        fields = 6;
        i = 10;
    } else if (starts("pCuadro|")) {
        fields = 5;
        i = 8;
    } else {
        return -1;
    }
    for (int f = 1; f < fields; ++f) {
        const void *bar = std::memchr(s + i, '|', size_t(n - i));
        if (!bar)
            return -2;
        i = static_cast<const char *>(bar) - s + 1;
    }
    const void *bar = std::memchr(s + i, '|', size_t(n - i));
    if (!bar)
        return -2;
    const qsizetype end = static_cast<const char *>(bar) - s;
    int page = 0;
    bool plain = end > i && end - i <= 5;
    for (qsizetype k = i; plain && k < end; ++k) {
        if (s[k] < '0' || s[k] > '9')
            plain = false;
        else
            page = page * 10 + (s[k] - '0');
    }
    if (plain && page <= 32767)
        return page;
    const auto v = qav::readNumericField(QString::fromLatin1(s + i, end - i));
    return v && *v >= 0 ? *v : -2;
}

} // namespace

ReportPages::ReportPages() = default;
ReportPages::~ReportPages() = default;

void ReportPages::addLine(const char *line, qsizetype size, qint64 offset, qint64 next)
{
    int page = plainPage(line, size);
    if (page == -1) {
        // Tags, page breaks and commands not written the plain way: the full reader.
        qav::ReportDocument one;
        const QString text = qav::decodeCp1252(QByteArrayView(line, size));
        if (!qav::parseReportLine(text, &one)) {
            if (!text.isEmpty())
                ++m_skipped;
        } else if (one.elements.isEmpty()) {
            if (!one.font.isNull())
                m_header.font = one.font;
            if (one.declaredPages)
                m_header.declaredPages = one.declaredPages;
            if (!one.orientation.isNull())
                m_header.orientation = one.orientation;
            if (!one.color.isNull())
                m_header.color = one.color;
        } else if (one.elements.first().kind != qav::ReportElement::PageBreak) {
            page = one.elements.first().page;
        }
    } else if (page == -2) {
        ++m_skipped;
    }
    if (page < 0) {
        // Lines of no page travel with the page around them.
        if (m_runPage >= 0)
            m_run.end = next;
        return;
    }
    if (page == m_runPage) {
        m_run.end = next;
        return;
    }
    if (m_runPage >= 0)
        m_ranges[size_t(m_runPage)].push_back(m_run);
    if (size_t(page) >= m_ranges.size())
        m_ranges.resize(size_t(page) + 1);
    m_runPage = page;
    m_run = {offset, next};
}

bool ReportPages::open(const QString &path, QString *error)
{
    m_file.reset();
    m_header = {};
    m_ranges.clear();
    m_runPage = -1;
    m_skipped = 0;
    m_path = qav::resolveCaseInsensitive(path);
    auto file = std::make_unique<QFile>(m_path);
    if (!file->open(QIODevice::ReadOnly)) {
        if (error)
            *error = qav::fileErrorText(*file);
        return false;
    }
    constexpr qint64 kChunk = 1 << 20;
    QByteArray buffer;
    qint64 base = 0; // file offset of buffer[0]
    bool atEnd = false;
    while (!atEnd) {
        const QByteArray more = file->read(kChunk);
        if (more.isEmpty()) {
            if (file->error() != QFileDevice::NoError) {
                if (error)
                    *error = qav::fileErrorText(*file);
                return false;
            }
            atEnd = true;
        }
        buffer += more;
        const char *data = buffer.constData();
        const qsizetype n = buffer.size();
        qsizetype start = 0;
        for (;;) {
            const void *nl = std::memchr(data + start, '\n', size_t(n - start));
            const void *cr = std::memchr(data + start, '\r', size_t(n - start));
            const char *stop = static_cast<const char *>(nl);
            if (cr && (!stop || cr < stop))
                stop = static_cast<const char *>(cr);
            qsizetype lineEnd, next;
            if (stop) {
                lineEnd = stop - data;
                next = lineEnd + 1;
                if (*stop == '\r') {
                    if (next == n && !atEnd)
                        break; // the LF may follow in the next chunk
                    if (next < n && data[next] == '\n')
                        ++next;
                }
            } else if (atEnd && start < n) {
                lineEnd = next = n;
            } else {
                break;
            }
            if (lineEnd > start)
                addLine(data + start, lineEnd - start, base + start, base + next);
            else if (m_runPage >= 0)
                m_run.end = base + next;
            start = next;
        }
        buffer.remove(0, start);
        base += start;
    }
    if (m_runPage >= 0)
        m_ranges[size_t(m_runPage)].push_back(m_run);
    m_file = std::move(file);
    return true;
}

QList<qav::ReportElement> ReportPages::page(int page) const
{
    QList<qav::ReportElement> out;
    if (!m_file || page < 0 || size_t(page) >= m_ranges.size())
        return out;
    for (const Span &span : m_ranges[size_t(page)]) {
        if (!m_file->seek(span.start))
            continue;
        const QByteArray bytes = m_file->read(span.end - span.start);
        qav::ReportDocument doc;
        doc = qav::parseReportDocument(qav::decodeCp1252(bytes));
        for (const qav::ReportElement &e : std::as_const(doc.elements))
            if (e.kind != qav::ReportElement::PageBreak && e.page == page)
                out << e;
    }
    return out;
}

QList<int> ReportPages::pagesToRender(const PageRange *range) const
{
    QList<int> out;
    const int count = pageCount();
    int from = 0, to = count - 1;
    if (range) {
        from = qMax(0, range->first - 1);
        to = qMin(to, range->last - 1);
    }
    for (int p = from; p <= to; ++p)
        out << p;
    return out;
}

} // namespace declmod
