// The shared database on a PostgreSQL server beside the embedded file, timed in one run:
//
//  1. decltool load of 100,000 lines into a declaration (load and save, end to end) on a
//     sandbox installation on the server (devhost init --pg) and on a file sandbox, beside
//     psql's \copy of the same lines into a table with the same key on the same server;
//  2. a declaration of 100,000 records opened (working table filled, first grid page), its
//     totals and its save with control values, on both engines;
//  3. eight decltool loads of 10,000 lines each into eight declarations at once on the
//     server: total time and the rows stored.
//
// The server is a throw-away cluster this program starts (tests/support/pgcluster.sh) in a
// folder of /tmp and stops at the end, unless QAV_TEST_SERVER names a running one.
//
// Usage: bench_server [RECORDS]   (default 100000)

#include "common/db/account.h"
#include "common/db/database.h"
#include "declmod/declaration/declarationkey.h"
#include "declmod/declaration/declarationstore.h"
#include "declmod/declaration/detailgridmodel.h"
#include "declmod/declaration/sqlfunctions.h"
#include "declmod/declaration/workingtable.h"
#include "tests/support/testserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QString g_bin;

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Every line accepted, each with a key of its own.
bool generate(const QString &importPath, const QString &copyPath, int lines)
{
    QFile f(importPath), c(copyPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || (!copyPath.isEmpty() && !c.open(QIODevice::WriteOnly | QIODevice::Truncate)))
        return false;
    QRandomGenerator rng(7093);
    static const char *const types[] = {"01", "03", "07", "08"};
    QByteArray block, copy;
    for (int i = 0; i < lines; ++i) {
        const int month = i % 12 + 1;
        const int cents = int(rng.bounded(10000000));
        const int n = i / 12;
        const int s = n / 4;
        const QByteArray series = s < 10000
            ? QByteArray::number(s).rightJustified(4, '0')
            : char('A' + (s - 10000) / 1000 % 26) + QByteArray::number((s - 10000) % 1000).rightJustified(3, '0');
        const QByteArray ven = QByteArray::number(cents / 100 + 1) + '.'
            + QByteArray::number(cents % 100).rightJustified(2, '0');
        const QByteArray gra = QByteArray::number((cents / 100 + 1) / 2) + ".19";
        block += types[n % 4] + QByteArray("|") + series + '|' + QByteArray::number(month) + '|'
            + ven + '|' + gra + "|\r\n";
        copy += types[n % 4] + QByteArray("\t") + series + '\t'
            + QByteArray::number(month).rightJustified(2, '0') + '\t' + ven + '\t' + gra + '\n';
        if (block.size() > (1 << 20)) {
            f.write(block);
            block.clear();
            if (c.isOpen())
                c.write(copy);
            copy.clear();
        }
    }
    f.write(block);
    if (c.isOpen())
        c.write(copy);
    return true;
}

bool run(const QString &program, const QStringList &args, const QString &windir, QByteArray *out,
         int timeoutMs = 1800000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!windir.isEmpty())
        env.insert(QStringLiteral("QAV_WINDIR"), windir);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit) {
        std::fprintf(stderr, "%s did not end\n", qPrintable(program));
        return false;
    }
    if (out)
        *out = p.readAllStandardOutput();
    if (p.exitCode() != 0) {
        std::fprintf(stderr, "%s %s: exit %d\n%s\n", qPrintable(program), qPrintable(args.join(u' ')),
                     p.exitCode(), p.readAllStandardError().constData());
        return false;
    }
    return true;
}

bool init(const QString &dir, const QString &serverUri)
{
    QStringList args{QStringLiteral("init"), dir};
    if (!serverUri.isEmpty())
        args << QStringLiteral("--pg") << serverUri;
    return run(g_bin + QStringLiteral("/devhost"), args, QString(), nullptr, 300000);
}

// Taxpayers of the sandbox's user for the benchmark's declarations.
bool addTaxpayers(qav::Database &db, int count)
{
    for (int i = 0; i < count; ++i)
        if (!db.execute(QStringLiteral("INSERT INTO CONT (Tip_doc_d, Doc_id_d, Nombre, Usuario)"
                                       " VALUES (6, ?, ?, 'JPEREZ')"),
                        {QStringLiteral("2090000%1").arg(i, 4, 10, QLatin1Char('0')),
                         QStringLiteral("CONTRIBUYENTE %1").arg(i)})) {
            std::fprintf(stderr, "taxpayers: %s\n", qPrintable(db.lastError().text));
            return false;
        }
    return true;
}

QString ruc(int i)
{
    return QStringLiteral("2090000%1").arg(i, 4, 10, QLatin1Char('0'));
}

// `server`: the sandbox's server database, empty for its file.
bool openSandbox(qav::Database &db, const QString &dir, const QString &server)
{
    qputenv("QAV_WINDIR", QFile::encodeName(dir + QStringLiteral("/windows")));
    qav::OpenOptions o;
    o.file = dir + QStringLiteral("/qav/qav.mdb");
    o.server = server;
    o.workgroupFile = dir + QStringLiteral("/qav/PM000.MDW");
    o.user = qav::moduleUser();
    o.password = qav::modulePassword();
    o.busyTimeoutMs = 60000;
    if (!db.open(o)) {
        std::fprintf(stderr, "open %s: %s\n", qPrintable(dir), qPrintable(db.lastError().text));
        return false;
    }
    return true;
}

double timedLoad(const QString &sandbox, const QString &file, const QString &taxpayer, QByteArray *out)
{
    QElapsedTimer t;
    t.start();
    if (!run(g_bin + QStringLiteral("/decltool"),
             {QStringLiteral("load"), file, QStringLiteral("--ruc"), taxpayer, QStringLiteral("--year"),
              QStringLiteral("2025")},
             sandbox + QStringLiteral("/windows"), out))
        return -1;
    return ms(t);
}

struct DeclarationTimes {
    double open = 0, totals = 0, save = 0;
    qint64 rows = 0;
};

// A stored declaration of `records` records, then opened, totalled and saved through the
// declaration's core, each step timed (best of `runs`).
bool declarationTimes(qav::Database &db, int records, int runs, DeclarationTimes *times)
{
    declmod::DeclarationKey key{ruc(99), QStringLiteral("2025"), QStringLiteral("7093"), 0, QString()};
    {
        qav::Transaction tx(db);
        qav::PreparedStatement add = db.prepare(
            QStringLiteral("INSERT INTO f7093des (tip_doc_d, doc_id_d, periodo, formulario, tip_com,"
                           " num_ser, per_tri, tot_ven, tot_gra, cnumero) VALUES %1")
                .arg(QStringList(500, QStringLiteral("(6, ?, ?, ?, ?, ?, ?, ?, ?, '')")).join(u',')));
        QVariantList values;
        static const char *const types[] = {"01", "03", "07", "12"};
        for (int i = 0; i < records; ++i) {
            const bool credit = i % 4 == 2;
            values << key.taxpayerId << key.period << key.formNumber << QString::fromLatin1(types[i % 4])
                   << QStringLiteral("%1").arg(i / 12, 6, 10, QLatin1Char('0'))
                   << QStringLiteral("%1").arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                   << QStringLiteral("%1%2.%3").arg(credit ? "-" : "").arg((i * 7919) % 1000000).arg(i % 100, 2, 10, QLatin1Char('0'))
                   << QStringLiteral("%1%2.%3").arg(credit ? "-" : "").arg((i * 7919) % 500000).arg(i % 97, 2, 10, QLatin1Char('0'));
            if (values.size() == 500 * 8) {
                if (!add.run(values)) {
                    std::fprintf(stderr, "fill: %s\n", qPrintable(db.lastError().text));
                    return false;
                }
                values.clear();
            }
        }
        for (int i = 0; i < values.size(); i += 8)
            if (!db.execute(QStringLiteral("INSERT INTO f7093des (tip_doc_d, doc_id_d, periodo, formulario,"
                                           " tip_com, num_ser, per_tri, tot_ven, tot_gra, cnumero)"
                                           " VALUES (6, ?, ?, ?, ?, ?, ?, ?, ?, '')"),
                            values.mid(i, 8)))
                return false;
        if (!tx.commit())
            return false;
    }
    if (!db.execute(QStringLiteral("INSERT INTO CAB (TIP_DOC_D, DOC_ID_D, PERIODO, FORMULARIO, SEMANA, estado)"
                                   " VALUES (6, ?, ?, ?, 0, 9)"),
                    {key.taxpayerId, key.period, key.formNumber}))
        return false;
    declmod::WorkingTable wt(db);
    declmod::DetailGridModel model(db);
    times->open = times->totals = times->save = 1e18;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        if (!wt.create() || !wt.clear() || !wt.fillFromStored(key, false)) {
            std::fprintf(stderr, "open: %s\n", qPrintable(db.lastError().text));
            return false;
        }
        model.refresh();
        for (int i = 0; i < 30; ++i)
            model.index(i, 3).data();
        times->open = std::min(times->open, ms(t));
        t.start();
        const auto sums = wt.totals();
        times->totals = std::min(times->totals, ms(t));
        if (!sums)
            return false;
        times->rows = sums->count;
        t.start();
        declmod::DeclarationStore store(db);
        if (!store.savePending(key, true, QDate(2026, 12, 11))) {
            std::fprintf(stderr, "save: %s\n", qPrintable(store.lastError().text));
            return false;
        }
        times->save = std::min(times->save, ms(t));
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    g_bin = QCoreApplication::applicationDirPath();
    const int records = argc > 1 ? std::max(1000, atoi(argv[1])) : 100000;
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/qav-bench-XXXXXX"));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ReadOther | QFileDevice::ExeOther
                                          | QFileDevice::ReadGroup | QFileDevice::ExeGroup);

    // The server: the one named, or a cluster of our own.
    QString cluster;
    if (qEnvironmentVariable("QAV_TEST_SERVER").isEmpty()) {
        cluster = QStringLiteral("/tmp/qav-pgbench-%1").arg(QCoreApplication::applicationPid());
        if (!run(QStringLiteral("bash"),
                 {QStringLiteral(QAV_SOURCE_DIR "/tests/support/pgcluster.sh"), QStringLiteral("start"), cluster},
                 QString(), nullptr, 120000))
            return 1;
        qputenv("QAV_TEST_SERVER", cluster.toLocal8Bit());
    }
    auto stopCluster = qScopeGuard([&] {
        if (!cluster.isEmpty())
            run(QStringLiteral("bash"),
                {QStringLiteral(QAV_SOURCE_DIR "/tests/support/pgcluster.sh"), QStringLiteral("stop"), cluster},
                QString(), nullptr, 60000);
    });
    if (!qavtest::TestServer::unavailableReason().isEmpty()) {
        std::fprintf(stderr, "bench_server: %s\n", qPrintable(qavtest::TestServer::unavailableReason()));
        return 1;
    }
    const QString socket = qavtest::TestServer::socketDir();
    QString database, why;
    if (!qavtest::TestServer::createDatabase(&database, &why)) {
        std::fprintf(stderr, "bench_server: %s\n", qPrintable(why));
        return 1;
    }
    const QString adminUri = QStringLiteral("postgresql://postgres@/%1?host=%2").arg(database, socket);
    const QString serverUri = qavtest::TestServer::uri(database);
    std::printf("server: PostgreSQL on %s, database %s; records: %d\n", qPrintable(socket),
                qPrintable(database), records);

    const QString fileBox = dir.filePath(QStringLiteral("file"));
    const QString serverBox = dir.filePath(QStringLiteral("server"));
    if (!init(fileBox, QString()) || !init(serverBox, adminUri))
        return 1;
    for (const QString &box : {fileBox, serverBox}) {
        qav::Database db(QStringLiteral("bench-setup"));
        if (!openSandbox(db, box, box == serverBox ? serverUri : QString()) || !addTaxpayers(db, 100))
            return 1;
    }

    // 1. decltool load of RECORDS lines, and psql's \copy of the same lines.
    const QString load = dir.filePath(QStringLiteral("7093") + ruc(0) + QStringLiteral("2025.TXT"));
    const QString copyFile = dir.filePath(QStringLiteral("copy.tsv"));
    if (!generate(load, copyFile, records))
        return 1;
    QFile::setPermissions(copyFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    QByteArray out;
    const double fileLoad = timedLoad(fileBox, load, ruc(0), &out);
    std::printf("\n1. decltool load of %d lines (load and save, end to end)\n", records);
    std::printf("   SQLite file:        %9.1f ms   %s\n", fileLoad, out.split('\n').value(0).constData());
    const double serverLoad = timedLoad(serverBox, load, ruc(0), &out);
    std::printf("   PostgreSQL server:  %9.1f ms   %s\n", serverLoad, out.split('\n').value(0).constData());
    if (fileLoad < 0 || serverLoad < 0)
        return 1;
    const QString psqlTarget = QStringLiteral("postgresql://postgres@/%1?host=%2").arg(database, socket);
    if (!run(QStringLiteral("psql"),
             {psqlTarget, QStringLiteral("-qc"),
              QStringLiteral("CREATE TABLE copy_target (tip_com text, num_ser text, per_tri text,"
                             " tot_ven text, tot_gra text, PRIMARY KEY (tip_com, num_ser, per_tri))")},
             QString(), nullptr))
        return 1;
    QElapsedTimer t;
    t.start();
    if (!run(QStringLiteral("psql"),
             {psqlTarget, QStringLiteral("-qc"), QStringLiteral("\\copy copy_target FROM '%1'").arg(copyFile)},
             QString(), nullptr))
        return 1;
    const double copy = ms(t);
    std::printf("   psql \\copy of the same lines into a keyed table: %9.1f ms\n", copy);
    std::printf("   server load / \\copy = %.2f (target: within 3)\n", serverLoad / copy);

    // 2. A declaration of RECORDS records opened, totalled and saved.
    DeclarationTimes onFile, onServer;
    {
        qav::Database db(QStringLiteral("bench-decl"));
        if (!openSandbox(db, fileBox, QString()))
            return 1;
        declmod::registerDeclarationFunctions(db.handle());
        if (!declarationTimes(db, records, 3, &onFile))
            return 1;
    }
    {
        qav::Database db(QStringLiteral("bench-decl"));
        if (!openSandbox(db, serverBox, serverUri))
            return 1;
        if (!declarationTimes(db, records, 3, &onServer))
            return 1;
    }
    std::printf("\n2. a declaration of %lld records (best of 3)   SQLite file   PostgreSQL   ratio\n",
                onServer.rows);
    std::printf("   open (working table, first grid page) %9.1f ms %9.1f ms   %5.2f\n", onFile.open,
                onServer.open, onServer.open / onFile.open);
    std::printf("   totals (count and two exact sums)      %9.1f ms %9.1f ms   %5.2f\n", onFile.totals,
                onServer.totals, onServer.totals / onFile.totals);
    std::printf("   save with control values               %9.1f ms %9.1f ms   %5.2f\n", onFile.save,
                onServer.save, onServer.save / onFile.save);
    std::printf("   (target: no ratio above 3)\n");

    // 3. Eight loads of 10,000 lines into eight declarations at once.
    constexpr int kSessions = 8;
    constexpr int kLines = 10000;
    QList<QString> files;
    for (int i = 0; i < kSessions; ++i) {
        files << dir.filePath(QStringLiteral("eight%1/7093").arg(i) + ruc(10 + i) + QStringLiteral("2025.TXT"));
        QDir().mkpath(QFileInfo(files.last()).path());
        if (!generate(files.last(), QString(), kLines))
            return 1;
    }
    QList<QProcess *> running;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QAV_WINDIR"), serverBox + QStringLiteral("/windows"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    t.start();
    for (int i = 0; i < kSessions; ++i) {
        auto *p = new QProcess(&app);
        p->setProcessEnvironment(env);
        p->start(g_bin + QStringLiteral("/decltool"),
                 {QStringLiteral("load"), files[i], QStringLiteral("--ruc"), ruc(10 + i),
                  QStringLiteral("--year"), QStringLiteral("2025")});
        running << p;
    }
    int failed = 0;
    for (QProcess *p : running) {
        p->waitForFinished(1800000);
        if (p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0) {
            ++failed;
            std::fprintf(stderr, "%s\n", p->readAllStandardError().constData());
        }
    }
    const double eight = ms(t);
    qint64 stored = 0;
    {
        qav::Database db(QStringLiteral("bench-count"));
        if (!openSandbox(db, serverBox, serverUri))
            return 1;
        QStringList rucs;
        QVariantList params;
        for (int i = 0; i < kSessions; ++i) {
            rucs << QStringLiteral("?");
            params << ruc(10 + i);
        }
        stored = db.scalar(QStringLiteral("SELECT count(*) FROM f7093des WHERE doc_id_d IN (%1)")
                               .arg(rucs.join(u',')),
                           params)
                     .toLongLong();
    }
    std::printf("\n3. %d decltool loads of %d lines each, at once, on the server\n", kSessions, kLines);
    std::printf("   total time %9.1f ms; failed sessions %d; rows stored %lld of %d\n", eight, failed,
                stored, kSessions * kLines);
    qavtest::TestServer::dropDatabase(database);
    return 0;
}
