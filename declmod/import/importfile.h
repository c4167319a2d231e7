#pragma once
// The import file as a whole: reading it line by line in large blocks, and the checks the
// whole file must pass before any record is loaded.
//
// Lines end with CR LF; a lone CR or LF also ends a line, a last line without an end counts,
// and an end at the very end of the file does not make an empty line (a second line break
// after the last line does). Lines are the file's bytes (Windows-1252), without their end.
// A line longer than ImportLineReader::kMaxLineLength (far longer than five fields can
// hold) stops the reading: memory stays bounded whatever the file holds.
//
// Whole-file checks, in this order: every line holds exactly five "|" (CuentaPye; an empty
// line fails), and every non-blank line ends with "|" once trailing spaces are dropped.
// Before them the file must be a regular file (a pipe or a device could be read only once,
// or never ends), must not start with a Unicode byte-order mark (the file is Windows-1252),
// and no line may be longer than kMaxLineLength. checkImportFile() reports the outcome with
// the message the system shows for it, including a file that is missing, in use, or
// unreadable (with the system's error number). Nothing throws.

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <QString>
#include <QTemporaryFile>

namespace declmod {

class ImportLineReader
{
public:
    // The longest line read; the buffer never grows beyond twice this.
    static constexpr qsizetype kMaxLineLength = qsizetype(1) << 20;

    explicit ImportLineReader(QIODevice *device, qsizetype blockSize = qsizetype(1) << 20);
    // The next line; false at the end of the file, when reading fails (see failed()) or at
    // a line longer than kMaxLineLength (see tooLong()). The view stays valid until the
    // next call.
    bool next(QByteArrayView *line);
    bool failed() const { return m_failed; }
    bool tooLong() const { return m_tooLong; }
    // The system's error number of a failed read (0 when it is not known).
    int systemError() const { return m_systemError; }
    QString errorString() const { return m_device->errorString(); }
    // Bytes of the device taken up by the lines returned so far, their ends included.
    qint64 consumed() const { return m_dropped + m_start; }
    // Every block read from the device is also written to `copy` (open for writing), so
    // that the copy read again gives the same lines. A failed write stops the reading
    // (copyFailed(); the copy's error number in systemError()).
    void setCopy(QIODevice *copy) { m_copy = copy; }
    bool copyFailed() const { return m_copyFailed; }

private:
    bool fill();

    QIODevice *m_device;
    QIODevice *m_copy = nullptr;
    QByteArray m_buffer;
    qsizetype m_start = 0; // first byte of the current line
    qsizetype m_scan = 0;  // where the search for the line end goes on
    qsizetype m_end = 0;   // end of the bytes read
    qint64 m_dropped = 0;  // bytes already moved out of the front of the buffer
    bool m_eof = false;
    bool m_failed = false;
    bool m_tooLong = false;
    bool m_copyFailed = false;
    int m_systemError = 0;
};

enum class ImportFileStatus {
    Ok,
    WrongFieldCount,  // a line without exactly five "|"
    MissingSeparator, // a non-blank line that does not end with "|"
    NotFound,
    InUse,
    ReadError,
    NotRegular,    // a pipe, a device or a socket
    LineTooLong,   // a line longer than ImportLineReader::kMaxLineLength
    WrongEncoding, // the file starts with a UTF-8 or UTF-16 byte-order mark
};

struct ImportFileProblem {
    ImportFileStatus status = ImportFileStatus::Ok;
    QString title;   // the title of the message box
    QString message; // the text the system shows
};

// True when every line of the file holds exactly five "|" (false also when the file
// cannot be read).
bool CuentaPye(const QString &path);

// Both whole-file checks. The file name is matched without regard to case. With `copy`
// (open for writing), the bytes checked are also written there, so that reading the copy
// gives exactly the lines that were checked; a failed write is a ReadError with the
// copy's error.
ImportFileProblem checkImportFile(const QString &path, QIODevice *copy = nullptr);

// The import file as its whole-file checks saw it. check() reads the file once, checking
// it and keeping a private copy of its lines (a temporary file, removed with the object);
// lines() then reads that copy, so what is loaded is exactly what was checked even when
// the file is appended to or rewritten after its checks. Memory does not grow with the
// file.
class CheckedImportFile
{
public:
    ImportFileProblem check(const QString &path);
    // The checked lines, from their start; valid after a check() that found no problem.
    QIODevice *lines() { return &m_copy; }
    qint64 size() const { return m_copy.size(); }

private:
    QTemporaryFile m_copy;
};

// The problem for a file that cannot be opened or read. `number` is the system's error
// number of a ReadError and the line number of a LineTooLong; `description` the failure's
// text of a ReadError and the encoding found for a WrongEncoding.
ImportFileProblem fileProblem(ImportFileStatus status, int number = 0,
                              const QString &description = QString());

// The problem of a failed read of `reader` over `file`: the line that is too long, or the
// system's error.
ImportFileProblem readProblem(const ImportLineReader &reader, qint64 lineNumber);

// Opens the import file (name matched without regard to case) for reading; on failure the
// problem says why. Only a regular file is opened: a pipe or device is refused without
// waiting for a writer.
bool openImportFile(const QString &path, QFile *file, ImportFileProblem *problem);

} // namespace declmod
