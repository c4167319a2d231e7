#include "common/report/reportreader.h"

#include "common/amount/decimalscan.h"
#include "common/text/textfile.h"

#include <QFile>

#include <limits>

namespace qav {
namespace {

// A numeric field: the leading number (spaces before it skipped, an optional sign, digits
// with one optional point), the rest of the field ignored.
DecimalNumber leadingNumber(QStringView s)
{
    return scanDecimal(s, ScanBlanks | ScanSign);
}

// Splits the fields that follow a command: each ends at the next "|". Only whole fields
// count (text after the last "|" is not a field), and no more than `wanted` are taken.
QList<QStringView> fieldsOf(QStringView rest, int wanted)
{
    QList<QStringView> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < rest.size() && out.size() < wanted; ++i) {
        if (rest[i] == u'|') {
            out << rest.mid(start, i - start);
            start = i + 1;
        }
    }
    return out;
}

bool readTag(QStringView line, qsizetype afterOpen, QStringView open, ReportDocument *doc)
{
    static const struct { const char16_t *open; const char16_t *close; } tags[] = {
        {u"<!font!>", u"<!/font!>"},
        {u"<!nHojas!>", u"<!/nHojas!>"},
        {u"<!Orientacion!>", u"<!/Orientacion!>"},
        {u"<!Color!>", u"<!/Color!>"},
    };
    for (const auto &t : tags) {
        if (open.trimmed() != QStringView(t.open))
            continue;
        const qsizetype end = line.indexOf(QStringView(t.close), afterOpen);
        if (end < 0)
            return false;
        const QStringView value = line.mid(afterOpen, end - afterOpen);
        const QStringView name(t.open);
        if (name == u"<!font!>") {
            doc->font = value.toString();
        } else if (name == u"<!nHojas!>") {
            const auto n = readNumericField(value.trimmed());
            if (!n)
                return false;
            doc->declaredPages = *n;
        } else if (name == u"<!Orientacion!>") {
            doc->orientation = value.trimmed().toString();
        } else {
            doc->color = value.trimmed().toString();
        }
        return true;
    }
    return false;
}

} // namespace

std::optional<qint16> readNumericField(QStringView field)
{
    const DecimalNumber d = leadingNumber(field);
    if (!d.isValid())
        return qint16(0);
    // The number rounded to an integer, halves to even; no value beyond 16 bits.
    const auto v = d.scaled(0, Rounding::HalfEven);
    if (!v || *v < std::numeric_limits<qint16>::min() || *v > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(*v);
}

std::optional<bool> readBoolField(QStringView field)
{
    const QStringView t = field.trimmed();
    if (t.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    const DecimalNumber d = scanDecimal(t, ScanWhole | ScanBlanks | ScanSign);
    if (!d.isValid())
        return std::nullopt;
    return !d.isZero();
}

int ReportDocument::pageCount() const
{
    int pages = 1;
    for (const ReportElement &e : elements)
        if (e.kind != ReportElement::PageBreak)
            pages = qMax(pages, int(e.page) + 1);
    return pages;
}

QList<QList<ReportElement>> ReportDocument::pages() const
{
    QList<QList<ReportElement>> out(pageCount());
    for (const ReportElement &e : elements)
        if (e.kind != ReportElement::PageBreak)
            out[e.page] << e;
    return out;
}

bool parseReportLine(QStringView line, ReportDocument *doc)
{
    auto skip = [doc] {
        ++doc->skippedLines;
        return false;
    };
    qsizetype end = -1;
    enum { Command, Tag, PageBreak } kind = Command;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QStringView token = line.left(i + 1);
        if (token.endsWith(u'|')) {
            kind = Command;
            end = i + 1;
            break;
        }
        if (token.endsWith(u"!>")) {
            kind = Tag;
            end = i + 1;
            break;
        }
        if (token.endsWith(u"aHoja")) {
            kind = PageBreak;
            end = i + 1;
            break;
        }
    }
    if (end < 0)
        return skip();

    if (kind == PageBreak) {
        if (line.left(end).trimmed() != u"pNuevaHoja")
            return skip();
        ReportElement e;
        e.kind = ReportElement::PageBreak;
        e.page = doc->elements.isEmpty() ? 0 : doc->elements.last().page;
        doc->elements << e;
        ++doc->pageBreaks;
        return true;
    }
    if (kind == Tag)
        return readTag(line, end, line.left(end), doc) || skip();

    const QStringView word = line.left(end - 1).trimmed();
    ReportElement e;
    if (word == u"pPos" || word == u"pPosVerti") {
        const QList<QStringView> f = fieldsOf(line.mid(end), 6);
        if (f.size() < 6)
            return skip();
        const auto x = readNumericField(f[0]), y = readNumericField(f[1]);
        const auto bold = readBoolField(f[3]);
        const auto size = readNumericField(f[4]), page = readNumericField(f[5]);
        if (!x || !y || !bold || !size || !page)
            return skip();
        e.kind = word == u"pPos" ? ReportElement::Text : ReportElement::VerticalText;
        e.x = *x;
        e.y = *y;
        e.text = f[2].toString();
        e.bold = *bold;
        e.size = *size;
        e.page = *page;
    } else if (word == u"pCuadro") {
        const QList<QStringView> f = fieldsOf(line.mid(end), 5);
        if (f.size() < 5)
            return skip();
        const auto x1 = readNumericField(f[0]), y1 = readNumericField(f[1]);
        const auto x2 = readNumericField(f[2]), y2 = readNumericField(f[3]);
        const auto page = readNumericField(f[4]);
        if (!x1 || !y1 || !x2 || !y2 || !page)
            return skip();
        e.kind = ReportElement::Box;
        e.x = *x1;
        e.y = *y1;
        e.x2 = *x2;
        e.y2 = *y2;
        e.page = *page;
    } else {
        return skip();
    }
    if (e.page < 0)
        return skip();
    doc->elements << e;
    return true;
}

ReportDocument parseReportDocument(QStringView text)
{
    ReportDocument doc;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i == n || text[i] == u'\r' || text[i] == u'\n') {
            if (i > start)
                parseReportLine(text.mid(start, i - start), &doc);
            if (i < n && text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    return doc;
}

bool readReportDocument(const QString &path, ReportDocument *doc, QString *error)
{
    QString text;
    if (!readText(path, &text, error))
        return false;
    *doc = parseReportDocument(text);
    return true;
}

qint16 LeeNumHojas(const QString &path)
{
    QFile f(resolveCaseInsensitive(path));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    static const QString open = QStringLiteral("<!nHojas!>");
    static const QString close = QStringLiteral("<!/nHojas!>");
    while (!f.atEnd()) {
        const QString line = decodeCp1252(f.readLine());
        if (!line.contains(open))
            continue;
        // The number starts at the 11th character and ends at the closing tag, looked for
        // from the 10th character on.
        const qsizetype end = line.indexOf(close, 9);
        const QString value = end >= 10 ? line.mid(10, end - 10) : line.mid(10).trimmed();
        return readNumericField(QStringView(value).trimmed()).value_or(0);
    }
    return 0;
}

} // namespace qav
