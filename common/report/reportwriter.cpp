#include "common/report/reportwriter.h"

#include "common/text/textfile.h"

#include <limits>

namespace qav {
namespace {
constexpr qsizetype kFlushSize = 1 << 18;
const QString kPageBreak = QStringLiteral("pNuevaHoja");
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
    m_file = std::make_unique<QSaveFile>(resolveCaseInsensitive(path));
    if (!m_file->open(QIODevice::WriteOnly)) {
        const QString e = m_file->errorString();
        m_file.reset();
        fail(QStringLiteral("No se puede crear el reporte %1: %2").arg(path, e));
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
        fail(QStringLiteral("No se pudo escribir el reporte %1: %2").arg(ReportPath, m_file->errorString()));
    m_buffer.clear();
}

void ReportWriter::writeLine(const QString &line)
{
    if (!m_file || failed())
        return;
    // Encoded straight into the buffer: documents run to millions of lines.
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + line.size() + 2);
    char *d = m_buffer.data() + old;
    for (const QChar c : line)
        *d++ = static_cast<char>(c.unicode() < 0x80 ? c.unicode() : cp1252Code(c));
    *d++ = '\r';
    *d = '\n';
    if (m_buffer.size() >= kFlushSize)
        flush();
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
        fail(QStringLiteral("No se pudo escribir el reporte %1: %2").arg(ReportPath, m_file->errorString()));
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
    QString out;
    if (!line.startsWith(QLatin1String("<!"))) {
        const std::optional<QString> row = AvanzaFila(RowPos, 175);
        if (!row) {
            fail(QStringLiteral("Desbordamiento de la posición de fila en el reporte %1").arg(ReportPath));
            return;
        }
        out = QStringLiteral("pPos|10|") + *row + u'|' + line + QStringLiteral("|False|8|")
              + QString::number(PageNumber - 1) + u'|';
    } else {
        if (PageNumber > 1)
            return;
        out = line;
    }
    writeLine(out);
    ++LineCount;
    if (LineCount >= pageLength()) {
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
    QString out = QStringLiteral("pPos|");
    out += QString::number(x);
    out += u'|';
    out += QString::number(y);
    out += u'|';
    out += text;
    out += bold ? QStringLiteral("|True|") : QStringLiteral("|False|");
    out += QString::number(size);
    out += u'|';
    out += QString::number(page);
    out += u'|';
    writeLine(out);
}

void ReportWriter::pCuadroPos(qint16 x1, qint16 y1, qint16 x2, qint16 y2, qint16 page)
{
    writeLine(QStringLiteral("pCuadro|%1|%2|%3|%4|%5|").arg(x1).arg(y1).arg(x2).arg(y2).arg(page));
}

ReportWriter &reportWriter()
{
    static ReportWriter writer;
    return writer;
}

} // namespace qav
