#include "declmod/import/importfile.h"

#include "declmod/import/filelock.h"

#include "common/text/textfile.h"

#include <QFileInfo>

#include <cstring>

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
    const qint64 n = m_device->read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (n < 0) {
        m_failed = true;
        m_eof = true;
        return false;
    }
    if (n == 0)
        m_eof = true;
    m_end += n;
    return n > 0;
}

bool ImportLineReader::next(QByteArrayView *line)
{
    for (;;) {
        const char *data = m_buffer.constData();
        qsizetype i = m_scan;
        while (i < m_end && data[i] != '\n' && data[i] != '\r')
            ++i;
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
    }
    return p;
}

bool openImportFile(const QString &path, QFile *file, ImportFileProblem *problem)
{
    const QString resolved = qav::resolveCaseInsensitive(path);
    const QFileInfo info(resolved);
    if (!info.exists() || info.isDir()) {
        *problem = fileProblem(ImportFileStatus::NotFound);
        return false;
    }
    file->setFileName(resolved);
    if (!file->open(QIODevice::ReadOnly)) {
        if (file->error() == QFileDevice::PermissionsError)
            *problem = fileProblem(ImportFileStatus::InUse);
        else
            *problem = fileProblem(ImportFileStatus::ReadError, int(file->error()),
                                   file->errorString());
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

// One pass over the file for both checks.
ImportFileProblem scan(const QString &path)
{
    QFile file;
    ImportFileProblem problem;
    if (!openImportFile(path, &file, &problem))
        return problem;
    ImportLineReader reader(&file);
    bool fieldsOk = true;
    bool endsOk = true;
    QByteArrayView line;
    while (reader.next(&line)) {
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
    if (reader.failed())
        return fileProblem(ImportFileStatus::ReadError, int(file.error()), reader.errorString());
    if (!fieldsOk)
        return fileProblem(ImportFileStatus::WrongFieldCount);
    if (!endsOk)
        return fileProblem(ImportFileStatus::MissingSeparator);
    return {};
}

} // namespace

bool CuentaPye(const QString &path)
{
    const ImportFileProblem p = scan(path);
    return p.status == ImportFileStatus::Ok || p.status == ImportFileStatus::MissingSeparator;
}

ImportFileProblem checkImportFile(const QString &path)
{
    return scan(path);
}

} // namespace declmod
