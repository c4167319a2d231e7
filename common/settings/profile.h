#pragma once
// The settings file of the installation (PM000.INI), read and written with the semantics
// the host relies on:
//  - section and key names are matched without regard to case and spaces around them;
//  - a value is trimmed of spaces only (and of one pair of enclosing double quotes);
//  - a read fills a buffer of a given size (255 by default): at most size - 1 characters
//    come back, exactly as a caller of the profile functions sees them;
//  - writing a key changes that one line (or adds it to its section, or adds the section)
//    and leaves every other line of the file as it was, its line end included;
//  - at most kMaxProfileBytes of a file are read: the rest of a longer (or endless) file is
//    not seen, and such a file is never rewritten;
//  - the file is Windows-1252 with CR LF.
//
// A file name without a folder ("PM000.INI") is looked for in the system's Windows folder:
// the folder named by QAV_WINDIR, else the user's configuration folder.

#include <QString>

namespace qav {

inline constexpr qsizetype kMaxProfileBytes = 1 << 20;

QString windowsFolder();
// The full path of a settings file: a bare name is placed in windowsFolder(), and the
// name is matched without regard to case against what is there.
QString profilePath(const QString &fileName);

QString readProfileString(const QString &fileName, const QString &section, const QString &key,
                          const QString &defaultValue = QString(), int bufferSize = 255);

// Returns false (with *error filled) when the file cannot be written.
bool writeProfileString(const QString &fileName, const QString &section, const QString &key,
                        const QString &value, QString *error = nullptr);

} // namespace qav
