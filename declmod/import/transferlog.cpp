#include "declmod/import/transferlog.h"

#include "declmod/import/filelock.h"
#include "declmod/import/importline.h"
#include "declmod/session/hostservices.h"

#include "common/text/syserror.h"
#include "common/text/textfile.h"

#include <QFile>
#include <QSqlQuery>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace declmod {

TransferPaths transferPaths(const QString &folder, const QString &reportDir,
                            const QString &formNumber, const QString &taxpayerId,
                            const QString &period)
{
    const QString base = formNumber + taxpayerId + period;
    TransferPaths p;
    p.importFile = folder + (folder.endsWith(u'/') ? QString() : QStringLiteral("/")) + base
        + QStringLiteral(".TXT");
    p.log = reportDir + base + QStringLiteral(".Log");
    p.errorList = reportDir + taxpayerId + QStringLiteral(".Err");
    return p;
}

QString CadDevPer(QByteArrayView line, const HostServices &host)
{
    QString field[3];
    QByteArrayView rest = line;
    for (QString &f : field) {
        const qsizetype bar = rest.indexOf('|');
        if (bar < 0) {
            f = qav::decodeCp1252(rest);
            break;
        }
        f = qav::decodeCp1252(rest.first(bar));
        rest = rest.sliced(bar + 1);
    }
    const QString joined = host.padLeft(field[0], 4, u' ') + QStringLiteral("   ")
        + host.padLeft(field[1], 15, u' ') + QStringLiteral("  ")
        + host.padLeft(field[2], 2, u' ') + QStringLiteral("      ");
    return host.fillToWidth(joined, 26, u' ');
}

QString errorLine(const QString &identification, bool found, const QString &description,
                  const HostServices &host)
{
    if (found) {
        // The whole identification, the month's two digits in its last two places, so that
        // the MES column shows the month; the description starts where it always has.
        return host.alignLeft(identification, 26) + QString(6, u' ') + description;
    }
    const QString trimmed = identification.trimmed();
    const QString id = trimmed.size() >= 10 ? identification.left(10)
                                             : trimmed.leftJustified(10, u' ');
    return id + QString(14, u' ') + QString::fromUtf16(kOtherErrorText);
}

bool MessageTable::describe(QByteArrayView code, bool *found, QString *description,
                            qav::DbError *error)
{
    const QByteArray key = code.toByteArray();
    auto it = m_cache.constFind(key);
    if (it == m_cache.constEnd()) {
        QSqlQuery q(m_db.handle());
        if (!m_db.select(&q, QStringLiteral("SELECT DescError FROM Error WHERE CodError=?"),
                         {QString::fromLatin1(key)})) {
            *error = m_db.lastError();
            return false;
        }
        Entry e;
        e.found = q.next();
        if (e.found) {
            const QString own = importCodeText(code);
            e.description = own.isEmpty() ? q.value(0).toString() : own;
        }
        it = m_cache.insert(key, e);
    }
    *found = it->found;
    *description = it->description;
    return true;
}

// One output file written through a descriptor of its own, in large blocks.
class TransferLog::Output
{
public:
    ~Output()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool open(const QString &path, Failure *failure)
    {
        const QByteArray name = QFile::encodeName(qav::resolveCaseInsensitive(path));
        // Opened without emptying, so that a file another program has locked is left as
        // it is; it is emptied once the lock check has passed.
        m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0)
            return systemFailure(failure);
        if (lockedByOther(m_fd, true)) {
            failure->inUse = true;
            failure->number = EBUSY;
            failure->description = QStringLiteral("El archivo está bloqueado por otro programa.");
            return false;
        }
        if (::ftruncate(m_fd, 0) != 0)
            return systemFailure(failure);
        m_buffer.reserve(kBlock + 512);
        return true;
    }

    bool writeLine(QByteArrayView bytes, Failure *failure)
    {
        m_buffer.append(bytes.data(), bytes.size());
        m_buffer.append("\r\n", 2);
        return m_buffer.size() < kBlock || flush(failure);
    }

    bool flush(Failure *failure)
    {
        const char *p = m_buffer.constData();
        qsizetype left = m_buffer.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, size_t(left));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                m_buffer.clear();
                return systemFailure(failure);
            }
            p += n;
            left -= n;
        }
        m_buffer.clear();
        return true;
    }

    bool close(Failure *failure)
    {
        bool ok = flush(failure);
        if (::close(m_fd) != 0 && ok)
            ok = systemFailure(failure);
        m_fd = -1;
        return ok;
    }

private:
    static constexpr qsizetype kBlock = 1 << 16;

    static bool systemFailure(Failure *failure)
    {
        const int number = errno;
        failure->inUse = number == EBUSY || number == ETXTBSY || number == EACCES
            || number == EPERM;
        failure->number = number;
        failure->description = qav::systemErrorText(number);
        return false;
    }

    int m_fd = -1;
    QByteArray m_buffer;
};

TransferLog::TransferLog(const HostServices &host, MessageTable &messages,
                         const TransferPaths &paths)
    : m_host(host)
    , m_messages(messages)
    , m_paths(paths)
{
}

TransferLog::~TransferLog()
{
    close();
}

bool TransferLog::fail(const Failure &failure)
{
    m_failed = true;
    m_failure = failure;
    return false;
}

bool TransferLog::open()
{
    Failure f;
    auto log = std::make_unique<Output>();
    if (!log->open(m_paths.log, &f))
        return fail(f);
    auto errors = std::make_unique<Output>();
    if (!errors->open(m_paths.errorList, &f))
        return fail(f);
    m_log = std::move(log);
    m_errors = std::move(errors);
    return true;
}

bool TransferLog::GraboLog(QByteArrayView line, QByteArrayView code)
{
    if (m_failed)
        return false;
    if (!m_log && !open())
        return false;
    Failure f;
    if (!m_log->writeLine(line, &f))
        return fail(f);
    bool found = false;
    QString description;
    qav::DbError dbError;
    if (!m_messages.describe(code, &found, &description, &dbError)) {
        f.number = dbError.number;
        f.description = dbError.text;
        return fail(f);
    }
    const QString text = errorLine(CadDevPer(line, m_host), found, description, m_host);
    if (!m_errors->writeLine(qav::encodeCp1252(text), &f))
        return fail(f);
    m_wroteThisRun = true;
    return true;
}

bool TransferLog::close()
{
    Failure first;
    Failure second;
    const bool logOk = !m_log || m_log->close(&first);
    const bool errorsOk = !m_errors || m_errors->close(&second);
    m_log.reset();
    m_errors.reset();
    if (logOk && errorsOk)
        return true;
    return fail(logOk ? second : first);
}

QString TransferLog::failureMessage() const
{
    if (m_failure.inUse)
        return m_failure.description + u'\n' + QStringLiteral("Cierre el Archivo ") + m_paths.log
            + u'\n' + QStringLiteral("Intente nuevamente por favor.");
    return QStringLiteral("Error tecnico: ") + QString::number(m_failure.number) + u'\n'
        + m_failure.description + u'\n' + QStringLiteral("Intente nuevamente por favor.");
}

} // namespace declmod
