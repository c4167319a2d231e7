#include "common/text/textfile.h"

#include "common/text/atomicfile.h"
#include "common/text/syserror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace qav {
namespace {

// Unicode values of the bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString decodeCp1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b <= 0x9F) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

int cp1252Code(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return 0x80 + i;
    return '?';
}

QByteArray encodeCp1252(QStringView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = static_cast<char>(cp1252Code(text[i]));
    return out;
}

QStringList splitLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start).toString();
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines << text.mid(start).toString();
    return lines;
}

bool readText(const QString &path, QString *text, QString *error)
{
    QFile f(resolveCaseInsensitive(path));
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("No se pudo abrir el archivo %1: %2.").arg(f.fileName(), fileErrorText(f));
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("No se pudo leer el archivo %1: %2.").arg(f.fileName(), fileErrorText(f));
        return false;
    }
    *text = decodeCp1252(bytes);
    return true;
}

bool readTextLines(const QString &path, QStringList *lines, QString *error)
{
    QString text;
    if (!readText(path, &text, error))
        return false;
    *lines = splitLines(text);
    return true;
}

bool writeText(const QString &path, const QString &text, QString *error)
{
    AtomicFile f(path);
    const QByteArray bytes = encodeCp1252(text);
    if (!f.open() || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error)
            *error = f.errorText();
        return false;
    }
    return true;
}

bool writeTextLines(const QString &path, const QStringList &lines, QString *error)
{
    QString text;
    for (const QString &l : lines) {
        text += l;
        text += QLatin1String("\r\n");
    }
    return writeText(path, text, error);
}

QString resolveCaseInsensitive(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const QString clean = QDir::cleanPath(path);
    QStringList parts = clean.split(u'/');
    QString current;
    int first = 0;
    if (clean.startsWith(u'/')) {
        current = QStringLiteral("/");
        first = 1;
    } else {
        current = QStringLiteral(".");
    }
    QStringList resolved;
    for (int i = first; i < parts.size(); ++i) {
        const QString &part = parts[i];
        QString candidate = current == QLatin1String("/") ? current + part
                                                          : current + u'/' + part;
        if (!QFileInfo::exists(candidate)) {
            QDir dir(current);
            const QStringList entries =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            bool found = false;
            for (const QString &e : entries) {
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    candidate = current == QLatin1String("/") ? current + e : current + u'/' + e;
                    found = true;
                    break;
                }
            }
            // Only the last name may be missing (a file about to be created): it goes into
            // the folder found, spelled as given.
            if (!found && i != parts.size() - 1)
                return path;
        }
        current = candidate;
    }
    if (!clean.startsWith(u'/') && current.startsWith(QLatin1String("./")))
        current = current.mid(2);
    return current;
}

} // namespace qav
