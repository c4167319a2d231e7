#pragma once
// Text files of the installation: every file the programs read or write (report documents,
// import files, logs, error lists, receipts, envdes.txt, PM000.INI) is Windows-1252 with
// CR LF line ends. Conversion happens here, at the file boundary, and nowhere else.
//
// File names are compared without regard to case: resolveCaseInsensitive() finds the
// existing file whatever the case of the name given ("RPT1.Err" written, "rpt1.err" read).
//
// Errors: the functions return false and leave an explanation in *error (Spanish, with the
// path and the cause); the write functions write through AtomicFile, so a failing disk
// never leaves half a file behind and keeps the old file as it was.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qav {

// Windows-1252 <-> Unicode. Bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D (undefined in the code page)
// map to the control characters of the same value; characters outside the code page are
// written as '?'.
QString decodeCp1252(QByteArrayView bytes);
QByteArray encodeCp1252(QStringView text);
// The Windows-1252 code of one character (63, '?', when it is not in the code page).
int cp1252Code(QChar c);

// Splits text into lines: CR LF, a lone CR and a lone LF each end a line. A last line
// without terminator counts; a terminator at the very end does not make an empty line.
QStringList splitLines(QStringView text);

// Reads a whole file and splits it into lines.
bool readTextLines(const QString &path, QStringList *lines, QString *error = nullptr);
// Reads a whole file as text (no splitting).
bool readText(const QString &path, QString *text, QString *error = nullptr);

// Writes the lines, each followed by CR LF, replacing the file atomically.
bool writeTextLines(const QString &path, const QStringList &lines, QString *error = nullptr);
// Writes text as it stands (line ends must already be CR LF), replacing the file atomically.
bool writeText(const QString &path, const QString &text, QString *error = nullptr);

// Returns the path of the existing file or folder whose name matches `path` without regard
// to case, component by component; when nothing matches, `path` itself (so that a caller
// creating the file uses the name as given).
QString resolveCaseInsensitive(const QString &path);

} // namespace qav
