#include "declmod/import/importfile.h"

#include "declmod/import/filelock.h"

#include "common/text/syserror.h"
#include "common/text/textfile.h"

#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace declmod {

ImportLineReader::ImportLineReader(QIODevice *device, qsizetype blockSize)
    : m_device(device)
{
    m_buffer.resize(blockSize < 16 ? 16 : blockSize);
}

bool ImportLineReader::fill()
{
    // Keep the unfinished line at the front, then read behind it.
    if (m_start > 0) {
        const qsizetype kept = m_end - m_start;
        std::memmove(m_buffer.data(), m_buffer.constData() + m_start, size_t(kept));
        m_dropped += m_start;
        m_scan -= m_start;
        m_end = kept;
        m_start = 0;
    }
    if (m_end == m_buffer.size())
        m_buffer.resize(m_buffer.size() * 2); // a line longer than the block
    errno = 0;
    const qint64 n = m_device->read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (n < 0) {
        m_systemError = errno;
        m_failed = true;
        m_eof = true;
        return false;
    }
    if (n == 0)
        m_eof = true;
    if (n > 0 && m_copy) {
        errno = 0;
        if (m_copy->write(m_buffer.constData() + m_end, n) != n) {
            m_systemError = errno;
            m_copyFailed = true;
            m_failed = true;
            m_eof = true;
            return false;
        }
    }
    m_end += n;
    return n > 0;
}

bool ImportLineReader::next(QByteArrayView *line)
{
    if (m_tooLong)
        return false;
    for (;;) {
        const char *data = m_buffer.constData();
        qsizetype i = m_scan;
        while (i < m_end && data[i] != '\n' && data[i] != '\r')
            ++i;
        if (i - m_start > kMaxLineLength) {
            m_tooLong = true;
            return false;
        }
        if (i < m_end) {
            if (data[i] == '\r' && i + 1 == m_end && !m_eof) {
                // Whether an LF follows is in the next block.
                m_scan = i;
                fill();
                continue;
            }
            *line = QByteArrayView(data + m_start, i - m_start);
            qsizetype after = i + 1;
            if (data[i] == '\r' && after < m_end && data[after] == '\n')
                ++after;
            m_start = m_scan = after;
            return true;
        }
        m_scan = i;
        if (m_eof) {
            if (m_failed || m_start == m_end)
                return false;
            *line = QByteArrayView(data + m_start, m_end - m_start);
            m_start = m_scan = m_end;
            return true;
        }
        fill();
    }
}

ImportFileProblem fileProblem(ImportFileStatus status, int number, const QString &description)
{
    ImportFileProblem p;
    p.status = status;
    switch (status) {
    case ImportFileStatus::Ok:
        break;
    case ImportFileStatus::WrongFieldCount:
        p.title = QStringLiteral("Importar");
        p.message = QStringLiteral("El archivo de importación no tiene el número de campos correctos");
        break;
    case ImportFileStatus::MissingSeparator:
        p.title = QStringLiteral("Error en archivo de importación");
        p.message = QStringLiteral("Cada línea del archivo debe terminar con el separador |");
        break;
    case ImportFileStatus::NotFound:
        p.title = QStringLiteral("Error");
        p.message = QStringLiteral("En la ruta indicada, no se encuentra el archivo a transferir, "
                                   "verifique la ruta");
        break;
    case ImportFileStatus::InUse:
        p.title = QStringLiteral("Error");
        p.message = QStringLiteral("¡El archivo se encuentra abierto!") + u'\n'
            + QStringLiteral("Intente nuevamente por favor.");
        break;
    case ImportFileStatus::ReadError:
        p.title = QStringLiteral("Error");
        p.message = QStringLiteral("Error Tecnico:") + u' ' + QString::number(number) + u' '
            + description;
        break;
    case ImportFileStatus::NotRegular:
        p.title = QStringLiteral("Error");
        p.message = QStringLiteral("El archivo a transferir no es un archivo común (es una tubería, "
                                   "un dispositivo o un socket): cópielo en un archivo e intente "
                                   "nuevamente.");
        break;
    case ImportFileStatus::LineTooLong:
        p.title = QStringLiteral("Importar");
        p.message = QStringLiteral("La línea %1 del archivo de importación tiene más de %2 "
                                   "caracteres: no es una línea de cinco campos.")
                        .arg(number)
                        .arg(ImportLineReader::kMaxLineLength);
        break;
    case ImportFileStatus::WrongEncoding:
        p.title = QStringLiteral("Importar");
        p.message = QStringLiteral("El archivo de importación está codificado en %1 (empieza con "
                                   "una marca de orden de bytes): debe estar en Windows-1252 "
                                   "(ANSI). Guárdelo con esa codificación e intente nuevamente.")
                        .arg(description);
        break;
    }
    return p;
}

ImportFileProblem readProblem(const ImportLineReader &reader, qint64 lineNumber)
{
    if (reader.tooLong())
        return fileProblem(ImportFileStatus::LineTooLong, int(qMin<qint64>(lineNumber, INT_MAX)));
    const int number = reader.systemError() != 0 ? reader.systemError() : int(QFileDevice::ReadError);
    return fileProblem(ImportFileStatus::ReadError, number,
                       reader.systemError() != 0 ? qav::systemErrorText(reader.systemError())
                                                 : QStringLiteral("no se pudo leer el archivo"));
}

bool openImportFile(const QString &path, QFile *file, ImportFileProblem *problem)
{
    const QString resolved = qav::resolveCaseInsensitive(path);
    const QFileInfo info(resolved);
    if (!info.exists() || info.isDir()) {
        *problem = fileProblem(ImportFileStatus::NotFound);
        return false;
    }
    // Opened without waiting: a FIFO without a writer would block here.
    const int fd = ::open(QFile::encodeName(resolved).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            *problem = fileProblem(ImportFileStatus::NotFound);
        else if (error == EBUSY || error == ETXTBSY || error == EAGAIN)
            *problem = fileProblem(ImportFileStatus::InUse);
        else
            *problem = fileProblem(ImportFileStatus::ReadError, error, qav::systemErrorText(error));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *problem = fileProblem(ImportFileStatus::NotRegular);
        return false;
    }
    // Reads block as usual from here on.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file->setFileName(resolved);
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *problem = fileProblem(ImportFileStatus::ReadError, int(file->error()), qav::fileErrorText(*file));
        return false;
    }
    if (lockedByOther(file->handle(), false)) {
        // Another program is writing it: the same answer as a file that cannot be opened.
        file->close();
        *problem = fileProblem(ImportFileStatus::InUse);
        return false;
    }
    *problem = {};
    return true;
}

namespace {

// One pass over the file for both checks, its bytes also written to `copy` when given.
ImportFileProblem scan(const QString &path, QIODevice *copy)
{
    QFile file;
    ImportFileProblem problem;
    if (!openImportFile(path, &file, &problem))
        return problem;
    ImportLineReader reader(&file);
    reader.setCopy(copy);
    bool fieldsOk = true;
    bool endsOk = true;
    QByteArrayView line;
    qint64 number = 0;
    while (reader.next(&line)) {
        if (++number == 1) {
            // A Unicode file read as Windows-1252 would only show its first line rejected.
            if (line.startsWith("\xEF\xBB\xBF"))
                return fileProblem(ImportFileStatus::WrongEncoding, 0, QStringLiteral("UTF-8"));
            if (line.startsWith("\xFF\xFE") || line.startsWith("\xFE\xFF"))
                return fileProblem(ImportFileStatus::WrongEncoding, 0, QStringLiteral("UTF-16"));
        }
        qsizetype bars = 0;
        const char *p = line.data();
        const char *end = p + line.size();
        while ((p = static_cast<const char *>(std::memchr(p, '|', size_t(end - p)))) != nullptr) {
            ++bars;
            ++p;
        }
        if (bars != 5)
            fieldsOk = false;
        qsizetype n = line.size();
        while (n > 0 && line[n - 1] == ' ')
            --n;
        if (n > 0 && line[n - 1] != '|')
            endsOk = false;
    }
    if (reader.copyFailed())
        return fileProblem(ImportFileStatus::ReadError, reader.systemError(),
                           reader.systemError() != 0 ? qav::systemErrorText(reader.systemError())
                                                     : copy->errorString());
    if (reader.failed() || reader.tooLong())
        return readProblem(reader, number + 1);
    if (!fieldsOk)
        return fileProblem(ImportFileStatus::WrongFieldCount);
    if (!endsOk)
        return fileProblem(ImportFileStatus::MissingSeparator);
    return {};
}

} // namespace

// The cause of a failure of the working copy: the system's when it gave a number.
static QString causeOf(int error, const QFileDevice &copy)
{
    return error != 0 ? qav::systemErrorText(error) : qav::fileErrorText(copy);
}

bool CuentaPye(const QString &path)
{
    const ImportFileProblem p = scan(path, nullptr);
    return p.status == ImportFileStatus::Ok || p.status == ImportFileStatus::MissingSeparator;
}

ImportFileProblem checkImportFile(const QString &path, QIODevice *copy)
{
    return scan(path, copy);
}

ImportFileProblem CheckedImportFile::check(const QString &path)
{
    m_copy.close();
    errno = 0;
    if (!m_copy.open() || !m_copy.resize(0)) {
        const int error = errno;
        return fileProblem(ImportFileStatus::ReadError, error, causeOf(error, m_copy));
    }
    ImportFileProblem problem = scan(path, &m_copy);
    errno = 0;
    if (problem.status == ImportFileStatus::Ok && (!m_copy.flush() || !m_copy.seek(0))) {
        const int error = errno;
        problem = fileProblem(ImportFileStatus::ReadError, error, causeOf(error, m_copy));
    }
    return problem;
}

} // namespace declmod
