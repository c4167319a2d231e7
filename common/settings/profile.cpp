#include "common/settings/profile.h"

#include "common/text/textfile.h"
#include "common/text/trim.h"

#include <QDir>
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

QString readProfileString(const QString &fileName, const QString &section, const QString &key,
                          const QString &defaultValue, int bufferSize)
{
    QString result = defaultValue;
    QStringList lines;
    if (readTextLines(profilePath(fileName), &lines)) {
        bool inSection = false;
        for (const QString &line : lines) {
            const QString s = sectionOf(line);
            if (!s.isNull()) {
                inSection = s.compare(section.trimmed(), Qt::CaseInsensitive) == 0;
                continue;
            }
            QString k, v;
            if (inSection && keyOf(line, &k, &v)
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
    QStringList lines;
    if (QFileInfo::exists(path) && !readTextLines(path, &lines, error))
        return false;

    const QString newLine = key.trimmed() + u'=' + value;
    qsizetype sectionStart = -1; // index of the header line
    qsizetype lastInSection = -1; // last non-blank line of the section
    qsizetype keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString s = sectionOf(lines[i]);
        if (!s.isNull()) {
            if (sectionStart >= 0)
                break;
            if (s.compare(section.trimmed(), Qt::CaseInsensitive) == 0)
                sectionStart = lastInSection = i;
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (!lines[i].trimmed().isEmpty())
            lastInSection = i;
        QString k, v;
        if (keyOf(lines[i], &k, &v) && k.compare(key.trimmed(), Qt::CaseInsensitive) == 0) {
            keyLine = i;
            break;
        }
    }
    if (keyLine >= 0)
        lines[keyLine] = newLine;
    else if (sectionStart >= 0)
        lines.insert(lastInSection + 1, newLine);
    else
        lines << u'[' + section.trimmed() + u']' << newLine;

    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeTextLines(path, lines, error);
}

} // namespace qav
