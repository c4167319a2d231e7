// Registers COUNT documents of report code CODE in the SPOOL table of DATABASE and prints
// each file name it got, one per line. Used by the tests to race several processes.
//     spool_register DATABASE CODE COUNT
// DATABASE is a file, or the URI of a server database (logged into with the module's role).

#include "common/db/account.h"
#include "common/report/spool.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 64;
    qav::Database db(QStringLiteral("race"));
    qav::OpenOptions o;
    if (args[1].startsWith(QLatin1String("postgres"))) {
        o.server = args[1];
        o.user = qav::moduleUser();
        o.password = qav::modulePassword();
    } else {
        o.file = args[1];
    }
    o.busyTimeoutMs = 20000;
    if (!db.open(o)) {
        QTextStream(stderr) << db.lastError().text << '\n';
        return 1;
    }
    QTextStream out(stdout);
    for (int i = 0; i < args[3].toInt(); ++i) {
        qav::DbError e;
        const QString name = qav::RegistraSpool(db, args[2], 6, QStringLiteral("20100070970"),
                                                QStringLiteral("RACE"), &e);
        if (name.isNull()) {
            QTextStream(stderr) << e.number << ' ' << e.text << '\n';
            return 1;
        }
        out << name << '\n';
    }
    return 0;
}
