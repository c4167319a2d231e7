#include "tests/support/unprivileged.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qavtest {
namespace {

constexpr int kAnswerTimeoutMs = 120000;

QString systemError(const QString &what, int number)
{
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(number));
}

// Gives `tree` and everything below it to uid:gid (links themselves, not what they point at).
bool chownTree(const QString &tree, uid_t uid, gid_t gid, QString *error)
{
    auto one = [&](const QString &path) {
        if (::lchown(QFile::encodeName(path).constData(), uid, gid) == 0)
            return true;
        *error = systemError(QStringLiteral("%1 could not be given to %2:%3").arg(path).arg(uid).arg(gid),
                             errno);
        return false;
    };
    if (!one(tree))
        return false;
    QDirIterator it(tree, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        if (!one(it.next()))
            return false;
    return true;
}

// Every folder above `tree` must let other users pass, or the child cannot reach it.
bool ancestorsPassable(const QString &tree, QString *error)
{
    QDir dir(QFileInfo(tree).absoluteFilePath());
    while (dir.cdUp()) {
        struct stat st;
        if (::stat(QFile::encodeName(dir.path()).constData(), &st) != 0) {
            *error = systemError(dir.path(), errno);
            return false;
        }
        if (!(st.st_mode & S_IXOTH)) {
            *error = QStringLiteral("%1 is closed to other users, so user %2 cannot reach %3; "
                                    "point TMPDIR at a folder they may pass")
                         .arg(dir.path())
                         .arg(kUnprivilegedId)
                         .arg(tree);
            return false;
        }
        if (dir.isRoot())
            break;
    }
    return true;
}

bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Reads until the other end closes; false when that takes longer than the timeout.
bool readAll(int fd, QByteArray *out)
{
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kAnswerTimeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        out->append(buffer, n);
    }
}

// The child's side: drop to the unprivileged ids for good, run the work, send the answer.
[[noreturn]] void runChild(int fd, const std::function<QStringList()> &work)
{
    QString failure;
    QStringList result;
    const gid_t groups[] = {gid_t(kUnprivilegedId)};
    if (::setgroups(1, groups) != 0 || ::setgid(kUnprivilegedId) != 0 || ::setuid(kUnprivilegedId) != 0)
        failure = systemError(QStringLiteral("could not become user %1").arg(kUnprivilegedId), errno);
    else if (::setuid(0) == 0)
        failure = QStringLiteral("the child could take back the superuser's rights");
    if (failure.isEmpty()) {
        try {
            result = work();
        } catch (const std::exception &e) {
            failure = QStringLiteral("the work threw: ") + QString::fromLocal8Bit(e.what());
        } catch (...) {
            failure = QStringLiteral("the work threw");
        }
    }
    QByteArray answer;
    {
        QDataStream s(&answer, QIODevice::WriteOnly);
        s << failure << result;
    }
    const bool sent = writeAll(fd, answer);
    ::close(fd);
    // No exit handlers: the parent's objects, connections and files are the parent's.
    ::_exit(sent && failure.isEmpty() ? 0 : 3);
}

} // namespace

std::optional<QStringList> runWithFilePermissions(const QString &tree,
                                                  const std::function<QStringList()> &work,
                                                  QString *error)
{
    if (::geteuid() != 0)
        return work();

    if (!ancestorsPassable(tree, error))
        return std::nullopt;
    const uid_t ownUid = ::geteuid();
    const gid_t ownGid = ::getegid();
    if (!chownTree(tree, kUnprivilegedId, kUnprivilegedId, error)) {
        QString ignored;
        chownTree(tree, ownUid, ownGid, &ignored);
        return std::nullopt;
    }

    std::optional<QStringList> out;
    int fds[2];
    if (::pipe(fds) != 0) {
        *error = systemError(QStringLiteral("pipe"), errno);
    } else {
        // What the parent has buffered must not be written twice.
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            runChild(fds[1], work);
        }
        ::close(fds[1]);
        if (pid < 0) {
            *error = systemError(QStringLiteral("fork"), errno);
        } else {
            QByteArray answer;
            const bool finished = readAll(fds[0], &answer);
            if (!finished)
                ::kill(pid, SIGKILL);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            QString failure;
            QStringList result;
            QDataStream s(answer);
            s >> failure >> result;
            if (!finished)
                *error = QStringLiteral("the child running as user %1 gave no answer within %2 s")
                             .arg(kUnprivilegedId)
                             .arg(kAnswerTimeoutMs / 1000);
            else if (WIFSIGNALED(status))
                *error = QStringLiteral("the child running as user %1 died of signal %2")
                             .arg(kUnprivilegedId)
                             .arg(WTERMSIG(status));
            else if (answer.isEmpty() || s.status() != QDataStream::Ok)
                *error = QStringLiteral("the child running as user %1 answered nothing (exit status %2)")
                             .arg(kUnprivilegedId)
                             .arg(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
            else if (!failure.isEmpty())
                *error = failure;
            else
                out = result;
        }
        ::close(fds[0]);
    }
    QString restoreError;
    if (!chownTree(tree, ownUid, ownGid, &restoreError) && out) {
        *error = restoreError;
        out.reset();
    }
    return out;
}

} // namespace qavtest
