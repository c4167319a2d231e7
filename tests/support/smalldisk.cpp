#include "tests/support/smalldisk.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace qavtest {
namespace {

const char kFiller[] = "/.llenado";

// Moves the process into a mount namespace of its own, once; mounts made afterwards are
// not seen outside it.
bool privateMounts(QString *error)
{
    static int state = 0; // 0 not tried, 1 done, -1 refused
    static QString reason;
    if (state == 0) {
        if (::geteuid() != 0) {
            reason = QStringLiteral("mounting a file system needs the superuser");
            state = -1;
        } else if (::unshare(CLONE_NEWNS) != 0) {
            reason = QStringLiteral("unshare: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            state = -1;
        } else if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            reason = QStringLiteral("private mounts: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            state = -1;
        } else {
            state = 1;
        }
    }
    if (state < 0 && error)
        *error = reason;
    return state > 0;
}

} // namespace

bool SmallDisk::available(QString *why)
{
    return privateMounts(why);
}

SmallDisk::~SmallDisk()
{
    if (!m_folder.isEmpty())
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

bool SmallDisk::mount(const QString &folder, qint64 bytes, QString *error)
{
    if (!privateMounts(error))
        return false;
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0777";
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) != 0) {
        if (error)
            *error = QStringLiteral("mount %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_folder = folder;
    return true;
}

bool SmallDisk::fill(QString *error)
{
    const QByteArray name = QFile::encodeName(m_folder) + kFiller;
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("filler: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Large blocks first, then single bytes, so that not one byte is left.
    const QByteArray block(4096, 'x');
    for (qsizetype size : {qsizetype(4096), qsizetype(1)}) {
        while (::write(fd, block.constData(), size_t(size)) == size) {
        }
    }
    const int last = errno;
    ::close(fd);
    if (last != ENOSPC) {
        if (error)
            *error = QStringLiteral("filler stopped: %1").arg(QString::fromLocal8Bit(std::strerror(last)));
        return false;
    }
    return true;
}

bool SmallDisk::unfill(QString *error)
{
    const QByteArray name = QFile::encodeName(m_folder) + kFiller;
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        if (error)
            *error = QStringLiteral("filler: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

} // namespace qavtest
