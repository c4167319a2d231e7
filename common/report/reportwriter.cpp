#include "common/report/reportwriter.h"

#include "common/text/textfile.h"

#include <limits>

namespace qav {
namespace {
constexpr qsizetype kFlushSize = 1 << 18;
const QString kPageBreak = QStringLiteral("pNuevaHoja");
// The broken bar (U+00A6) in Windows-1252.
constexpr char kFieldBarStandIn = char(0xA6);
} // namespace

std::optional<QString> AvanzaFila(qint16 &pos, qint16 step)
{
    const int sum = int(pos) + int(step);
    if (sum < std::numeric_limits<qint16>::min() || sum > std::numeric_limits<qint16>::max())
        return std::nullopt;
    pos = qint16(sum);
    return QString::number(sum);
}

ReportWriter::ReportWriter() = default;
ReportWriter::~ReportWriter()
{
    discard();
}

bool ReportWriter::open(const QString &path)
{
    discard();
    m_error.clear();
    ReportPath = path;
    PageNumber = 1;
    LineCount = 0;
    RowPos = 0;
    m_file = std::make_unique<AtomicFile>(path);
    if (!m_file->open()) {
        const QString e = m_file->errorText();
        m_file.reset();
        fail(e);
        return false;
    }
    return true;
}

void ReportWriter::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error;
}

void ReportWriter::flush()
{
    if (!m_file || m_buffer.isEmpty())
        return;
    if (m_file->write(m_buffer) != m_buffer.size())
        fail(m_file->errorText());
    m_buffer.clear();
}

void ReportWriter::append(QStringView text)
{
    // Encoded straight into the buffer: documents run to millions of lines. Every text
    // written passes here, and a text never ends its field or its line: a "|" is written
    // as the broken bar, which looks alike, and a line end as a space.
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + text.size());
    char *d = m_buffer.data() + old;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'|')
            *d++ = kFieldBarStandIn;
        else if (u == u'\r' || u == u'\n')
            *d++ = ' ';
        else
            *d++ = static_cast<char>(u < 0x80 ? u : cp1252Code(c));
    }
}

void ReportWriter::append(int number)
{
    char digits[12];
    char *end = digits + sizeof digits;
    char *p = end;
    unsigned v = number < 0 ? 0u - unsigned(number) : unsigned(number);
    do {
        *--p = char('0' + v % 10);
        v /= 10;
    } while (v);
    if (number < 0)
        *--p = '-';
    m_buffer.append(p, end - p);
}

void ReportWriter::endLine()
{
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() >= kFlushSize)
        flush();
}

bool ReportWriter::writing() const
{
    return m_file && !failed();
}

void ReportWriter::writeLine(QStringView line)
{
    if (!writing())
        return;
    append(line);
    endLine();
}

bool ReportWriter::close()
{
    if (!m_file)
        return !failed();
    flush();
    if (failed()) {
        discard();
        return false;
    }
    if (!m_file->commit())
        fail(m_file->errorText());
    m_file.reset();
    return !failed();
}

void ReportWriter::discard()
{
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
    m_buffer.clear();
}

void ReportWriter::pLinea(const QString &line)
{
    if (!line.startsWith(QLatin1String("<!"))) {
        const std::optional<QString> row = AvanzaFila(RowPos, 175);
        if (!row) {
            fail(QStringLiteral("Desbordamiento de la posición de fila en el reporte %1").arg(ReportPath));
            return;
        }
        if (writing()) {
            m_buffer.append("pPos|10|", 8);
            append(QStringView(*row));
            m_buffer.append('|');
            append(QStringView(line));
            m_buffer.append("|False|8|", 9);
            append(PageNumber - 1);
            m_buffer.append('|');
            endLine();
        }
    } else {
        if (PageNumber > 1)
            return;
        writeLine(line);
    }
    ++LineCount;
    if (LineCount >= pageLength()) {
        if (PageNumber == std::numeric_limits<qint16>::max()) {
            fail(QStringLiteral("Desbordamiento del número de página en el reporte %1").arg(ReportPath));
            return;
        }
        LineCount = 0;
        ++PageNumber;
        writeLine(kPageBreak);
    }
}

void ReportWriter::pTextoPos(qint16 x, qint16 y, const QString &text, bool bold, int size,
                             qint16 page)
{
    if (text == kPageBreak) {
        writeLine(kPageBreak);
        return;
    }
    if (text.startsWith(QLatin1String("<!"))) {
        if (PageNumber <= 1)
            writeLine(text);
        return;
    }
    if (!writing())
        return;
    m_buffer.append("pPos|", 5);
    append(x);
    m_buffer.append('|');
    append(y);
    m_buffer.append('|');
    append(QStringView(text));
    m_buffer.append(bold ? QByteArrayView("|True|") : QByteArrayView("|False|"));
    append(size);
    m_buffer.append('|');
    append(page);
    m_buffer.append('|');
    endLine();
}

void ReportWriter::pCuadroPos(qint16 x1, qint16 y1, qint16 x2, qint16 y2, qint16 page)
{
    if (!writing())
        return;
    m_buffer.append("pCuadro|", 8);
    for (const qint16 v : {x1, y1, x2, y2, page}) {
        append(v);
        m_buffer.append('|');
    }
    endLine();
}

ReportWriter &reportWriter()
{
    static ReportWriter writer;
    return writer;
}

} // namespace qav
