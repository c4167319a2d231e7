#include "tests/support/testserver.h"

#include "common/db/account.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace qavtest {

QString TestServer::socketDir()
{
    const QString dir = qEnvironmentVariable("QAV_TEST_SERVER");
    if (dir.isEmpty() || !QFileInfo::exists(dir + QStringLiteral("/.s.PGSQL.5432")))
        return QString();
    return dir;
}

QString TestServer::unavailableReason()
{
    if (qEnvironmentVariable("QAV_TEST_SERVER").isEmpty())
        return QStringLiteral("no PostgreSQL test server in this run (QAV_TEST_SERVER not set)");
    if (socketDir().isEmpty())
        return QStringLiteral("no PostgreSQL test server running at %1 (is the server package "
                              "installed? see the output of qav_pg_start)")
            .arg(qEnvironmentVariable("QAV_TEST_SERVER"));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("Qt's PostgreSQL driver (libqt6sql6-psql) is not installed");
    return QString();
}

QString TestServer::uri(const QString &database)
{
    return QStringLiteral("postgresql:///%1?host=%2").arg(database, socketDir());
}

bool TestServer::admin(const QString &sql, QString *error, const QString &database)
{
    static QAtomicInt counter;
    const QString name = QStringLiteral("qavtest-admin-%1").arg(counter.fetchAndAddRelaxed(1));
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(socketDir());
        db.setDatabaseName(database);
        db.setUserName(QStringLiteral("postgres"));
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("SET client_min_messages = warning")) && q.exec(sql);
            if (!ok && error)
                *error = q.lastError().text();
        } else if (error) {
            *error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool TestServer::createDatabase(QString *name, QString *error)
{
    if (!unavailableReason().isEmpty()) {
        if (error)
            *error = unavailableReason();
        return false;
    }
    // Several test programs run at once: the role is made by whichever comes first.
    const QString role = qav::moduleUser();
    admin(QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1')"
                         " THEN EXECUTE '%2'; END IF; END $$")
              .arg(role, QString(qav::moduleRoleSql()).replace(u'\'', QStringLiteral("''"))));
    *name = QStringLiteral("qavtest_%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(16));
    return admin(QStringLiteral("CREATE DATABASE %1 OWNER %2 ENCODING 'UTF8' TEMPLATE template0")
                     .arg(*name, role),
                 error);
}

bool TestServer::dropDatabase(const QString &name)
{
    return admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}

} // namespace qavtest
