#include "common/settings/profile.h"

#include "common/text/textfile.h"
#include "common/text/syserror.h"
#include "common/text/trim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace qav {
namespace {

// The section name of a "[name]" line, or a null string when the line is not a header.
QString sectionOf(const QString &line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return QString();
    const qsizetype close = t.indexOf(u']');
    if (close < 0)
        return QString();
    return t.mid(1, close - 1).trimmed();
}

// A "key=value" line. Key and value are trimmed of spaces only, as the programs trim every
// value of the file: a tab or any other character at either end stays part of the value.
bool keyOf(const QString &line, QString *key, QString *value)
{
    const QStringView t = trimSpaces(QStringView(line));
    if (t.isEmpty() || t.startsWith(u';'))
        return false;
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = trimSpaces(t.left(eq)).toString();
    QString v = trimSpaces(t.mid(eq + 1)).toString();
    if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"'))
        v = v.mid(1, v.size() - 2);
    *value = v;
    return true;
}

} // namespace

QString windowsFolder()
{
    const QString env = qEnvironmentVariable("QAV_WINDIR");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString profilePath(const QString &fileName)
{
    QString path = fileName;
    if (!fileName.contains(u'/'))
        path = QDir(windowsFolder()).filePath(fileName);
    return resolveCaseInsensitive(path);
}

namespace {

// The lines of a settings file, each with the line end it had ("\r\n", "\r", "\n", or
// nothing for a last line without one), so that a write gives every other line back as
// it was.
struct ProfileLine {
    QString text;
    QString end;
};

// Reads at most kMaxProfileBytes of the file (and one byte more, to know whether there
// was more): an endless or huge file cannot exhaust the memory. *complete says whether
// the whole file was read.
bool readProfileLines(const QString &path, QList<ProfileLine> *lines, bool *complete,
                      QString *error)
{
    lines->clear();
    *complete = true;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("No se pudo abrir el archivo %1: %2.").arg(path, fileErrorText(f));
        return false;
    }
    QByteArray bytes = f.read(kMaxProfileBytes + 1);
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("No se pudo leer el archivo %1: %2.").arg(path, fileErrorText(f));
        return false;
    }
    if (bytes.size() > kMaxProfileBytes) {
        bytes.truncate(kMaxProfileBytes);
        *complete = false;
    }
    const QString text = decodeCp1252(bytes);
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype i = start;
        while (i < n && text[i] != u'\r' && text[i] != u'\n')
            ++i;
        ProfileLine line{text.mid(start, i - start), QString()};
        if (i < n) {
            const qsizetype endLength = text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n' ? 2 : 1;
            line.end = text.mid(i, endLength);
            i += endLength;
        }
        *lines << line;
        start = i;
    }
    return true;
}

} // namespace

QString readProfileString(const QString &fileName, const QString &section, const QString &key,
                          const QString &defaultValue, int bufferSize)
{
    QString result = defaultValue;
    QList<ProfileLine> lines;
    bool complete = true;
    if (readProfileLines(profilePath(fileName), &lines, &complete, nullptr)) {
        bool inSection = false;
        for (const ProfileLine &line : std::as_const(lines)) {
            const QString s = sectionOf(line.text);
            if (!s.isNull()) {
                inSection = s.compare(section.trimmed(), Qt::CaseInsensitive) == 0;
                continue;
            }
            QString k, v;
            if (inSection && keyOf(line.text, &k, &v)
                && k.compare(key.trimmed(), Qt::CaseInsensitive) == 0) {
                result = v;
                break;
            }
        }
    }
    if (bufferSize > 0 && result.size() > bufferSize - 1)
        result.truncate(bufferSize - 1);
    return result;
}

bool writeProfileString(const QString &fileName, const QString &section, const QString &key,
                        const QString &value, QString *error)
{
    const QString path = profilePath(fileName);
    QList<ProfileLine> lines;
    bool complete = true;
    if (QFileInfo::exists(path) && !readProfileLines(path, &lines, &complete, error))
        return false;
    if (!complete) {
        // Rewriting only the part read would lose the rest of the file.
        if (error)
            *error = QStringLiteral("El archivo %1 es demasiado grande para un archivo de "
                                    "configuración (más de %2 bytes); no se ha modificado.")
                         .arg(path)
                         .arg(kMaxProfileBytes);
        return false;
    }

    // A new line takes the line end the file already uses (CR LF for a new file).
    QString newEnd = QStringLiteral("\r\n");
    for (const ProfileLine &line : std::as_const(lines))
        if (!line.end.isEmpty()) {
            newEnd = line.end;
            break;
        }
    const QString newLine = key.trimmed() + u'=' + value;
    qsizetype sectionStart = -1; // index of the header line
    qsizetype lastInSection = -1; // last non-blank line of the section
    qsizetype keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString s = sectionOf(lines[i].text);
        if (!s.isNull()) {
            if (sectionStart >= 0)
                break;
            if (s.compare(section.trimmed(), Qt::CaseInsensitive) == 0)
                sectionStart = lastInSection = i;
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (!lines[i].text.trimmed().isEmpty())
            lastInSection = i;
        QString k, v;
        if (keyOf(lines[i].text, &k, &v) && k.compare(key.trimmed(), Qt::CaseInsensitive) == 0) {
            keyLine = i;
            break;
        }
    }
    // The line before an inserted one needs an end of its own.
    auto ended = [&](qsizetype i) {
        if (i >= 0 && i < lines.size() && lines[i].end.isEmpty())
            lines[i].end = newEnd;
    };
    if (keyLine >= 0) {
        lines[keyLine].text = newLine;
    } else if (sectionStart >= 0) {
        ended(lastInSection);
        lines.insert(lastInSection + 1, ProfileLine{newLine, newEnd});
    } else {
        ended(lines.size() - 1);
        lines << ProfileLine{u'[' + section.trimmed() + u']', newEnd} << ProfileLine{newLine, newEnd};
    }

    QString text;
    for (const ProfileLine &line : std::as_const(lines))
        text += line.text + line.end;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeText(path, text, error);
}

} // namespace qav
