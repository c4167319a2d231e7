#pragma once
// The one writer of whole files: every file the programs write (settings, report
// documents, receipts and their copies, PDF files, error lists ...) goes through it.
//
// The bytes go into a new file beside the target; commit() puts that file in the target's
// place only once every byte was written and the system confirmed it (each write checked,
// the file synced and closed without error), so a failing disk - full, read-only, gone -
// leaves the old file exactly as it was and no new one. An existing file keeps its
// permissions; a symbolic link is followed and its target replaced.
//
// Errors: open(), write() and commit() return false / -1 and errorString() gives the
// reason in Spanish with the path ("No se pudo escribir el archivo /x/PM000.INI: no queda
// espacio en el disco."); systemError() the system's error number. After a failure every
// further write fails and commit() gives nothing back.
//
// The writer is a QIODevice, so that devices writing through one (the PDF writer) are
// checked the same way.

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace qav {

class AtomicFile : public QIODevice
{
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile() override;

    // The file that commit() replaces (the name matched without regard to case).
    QString fileName() const { return m_target; }

    // Starts the new file; WriteOnly is the only mode.
    bool open(OpenMode mode = WriteOnly) override;
    // Puts the new file in place of the old one. False (the old file untouched) when
    // anything failed on the way.
    bool commit();
    // Abandons the new file; the old one stays.
    void cancelWriting();
    // A writer that only creates: commit() fails with EEXIST (systemError()) when a file of
    // that name exists by then, and never replaces it. Set before open().
    void setNewOnly(bool newOnly) { m_newOnly = newOnly; }
    // Same as cancelWriting(): a writer closed without commit() writes nothing.
    void close() override;

    bool isSequential() const override { return true; }
    bool failed() const { return !m_error.isEmpty(); }
    int systemError() const { return m_errno; }
    QString errorText() const { return m_error; }

    // Test seam: every writer opened afterwards fails with `errnoValue` at its byte number
    // `bytes` + 1, as a disk that fills up there; a negative count turns the seam off.
    static void failAfterBytesForTesting(qint64 bytes, int errnoValue);

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool fail(int errnoValue, const QString &what);
    void removeTemporary();

    QString m_target;
    QByteArray m_temporary; // the new file's name, encoded for the system
    int m_fd = -1;
    int m_errno = 0;
    QString m_error;
    qint64 m_written = 0;
    qint64 m_limit = -1; // from the test seam
    int m_limitErrno = 0;
    bool m_newOnly = false;
};

} // namespace qav
