#include "common/text/atomicfile.h"

#include "common/text/syserror.h"
#include "common/text/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qav {
namespace {

qint64 g_failAfter = -1;
int g_failErrno = ENOSPC;

// Draws of a free name for the new file before giving up.
constexpr int kNameAttempts = 100;

QString randomSuffix()
{
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString s;
    for (int i = 0; i < 8; ++i)
        s += QLatin1Char(digits[QRandomGenerator::global()->bounded(36)]);
    return s;
}

} // namespace

void AtomicFile::failAfterBytesForTesting(qint64 bytes, int errnoValue)
{
    g_failAfter = bytes;
    g_failErrno = errnoValue;
}

AtomicFile::AtomicFile(const QString &path)
    : m_target(resolveCaseInsensitive(path))
{
}

AtomicFile::~AtomicFile()
{
    cancelWriting();
}

bool AtomicFile::fail(int errnoValue, const QString &what)
{
    if (m_error.isEmpty()) {
        m_errno = errnoValue;
        m_error = QStringLiteral("No se pudo %1 el archivo %2: %3.")
                      .arg(what, m_target, systemErrorText(errnoValue));
        setErrorString(m_error);
    }
    removeTemporary();
    return false;
}

void AtomicFile::removeTemporary()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
}

bool AtomicFile::open(OpenMode mode)
{
    cancelWriting();
    m_error.clear();
    m_errno = 0;
    m_written = 0;
    m_limit = g_failAfter;
    m_limitErrno = g_failErrno;
    if ((mode & ReadOnly) || !(mode & WriteOnly) || (mode & Append))
        return fail(EINVAL, QStringLiteral("crear"));

    // A link is followed: its target is the file replaced, the link stays.
    QFileInfo info(m_target);
    if (info.isSymLink()) {
        const QString target = info.symLinkTarget();
        if (!target.isEmpty())
            m_target = target;
        info = QFileInfo(m_target);
    }
    if (info.isDir())
        return fail(EISDIR, QStringLiteral("crear"));
    if (m_newOnly && info.exists())
        return fail(EEXIST, QStringLiteral("crear"));

    struct stat old {};
    const QByteArray targetName = QFile::encodeName(m_target);
    const bool existed = ::stat(targetName.constData(), &old) == 0;
    const QString folder = info.absolutePath();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray name =
            QFile::encodeName(folder + QStringLiteral("/.") + info.fileName() + u'.' + randomSuffix());
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return fail(errno, QStringLiteral("crear"));
        }
        m_fd = fd;
        m_temporary = name;
        break;
    }
    if (m_fd < 0)
        return fail(EEXIST, QStringLiteral("crear"));
    // The file replaced keeps its permissions.
    if (existed && ::fchmod(m_fd, old.st_mode & 07777) != 0)
        return fail(errno, QStringLiteral("crear"));
    return QIODevice::open(WriteOnly | Unbuffered);
}

qint64 AtomicFile::writeData(const char *data, qint64 size)
{
    if (m_fd < 0 || failed())
        return -1;
    qint64 allowed = size;
    const bool cut = m_limit >= 0 && m_written + size > m_limit;
    if (cut)
        allowed = qMax<qint64>(0, m_limit - m_written);
    const char *p = data;
    qint64 left = allowed;
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno, QStringLiteral("escribir"));
            return -1;
        }
        if (n == 0) {
            fail(ENOSPC, QStringLiteral("escribir"));
            return -1;
        }
        p += n;
        left -= n;
        m_written += n;
    }
    if (cut) {
        fail(m_limitErrno, QStringLiteral("escribir"));
        return -1;
    }
    return size;
}

bool AtomicFile::commit()
{
    if (!isOpen() || m_fd < 0 || failed()) {
        if (!failed())
            fail(EBADF, QStringLiteral("escribir"));
        cancelWriting();
        return false;
    }
    // Some file systems report a full disk only when the data reaches it.
    if (::fsync(m_fd) != 0) {
        fail(errno, QStringLiteral("escribir"));
        QIODevice::close();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        fail(errno, QStringLiteral("escribir"));
        QIODevice::close();
        return false;
    }
    const QByteArray target = QFile::encodeName(m_target);
    if (m_newOnly) {
        // A link fails when the name is taken; the new file's own name is then dropped.
        if (::link(m_temporary.constData(), target.constData()) != 0) {
            fail(errno, QStringLiteral("crear"));
            QIODevice::close();
            return false;
        }
        ::unlink(m_temporary.constData());
    } else if (::rename(m_temporary.constData(), target.constData()) != 0) {
        fail(errno, QStringLiteral("reemplazar"));
        QIODevice::close();
        return false;
    }
    m_temporary.clear();
    // The new name is made durable too; a folder that cannot be synced keeps the file anyway.
    const int dir = ::open(QFile::encodeName(QFileInfo(m_target).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    QIODevice::close();
    return true;
}

void AtomicFile::cancelWriting()
{
    removeTemporary();
    if (isOpen())
        QIODevice::close();
}

void AtomicFile::close()
{
    cancelWriting();
}

} // namespace qav
