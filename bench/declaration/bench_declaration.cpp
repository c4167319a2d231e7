// Times a declaration of many records (100,000 by default) through the declaration's core
// on a fresh database: opening it (copy into the working table and the grid's first page),
// the three totals, scrolling a grid over it from top to end, and saving it with its
// control values - the save also against one plain INSERT INTO ... SELECT of the same rows
// on the same database, and as the window saves, checked against the version it loaded
// (with the time to read that version). Prints the times (best of the runs), the longest
// single scroll step and the peak resident memory. With the recovery file kept for the
// declaration, as the declaration window keeps it, it also times the first change after
// opening (the whole table copied into the file), a further change, and the save followed
// by the file's "saved" mark.
//
// Usage: bench_declaration [RECORDS [RUNS]]   (defaults 100000 and 3)

#include "declmod/declaration/declarationkey.h"
#include "declmod/declaration/declarationstore.h"
#include "declmod/declaration/detailgridmodel.h"
#include "declmod/declaration/recoveryfile.h"
#include "declmod/declaration/workingtable.h"

#include "common/db/database.h"
#include "schema/hostschema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

bool check(bool ok, qav::Database &db, const char *what)
{
    if (!ok)
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(db.lastError().text));
    return ok;
}

const char *const kDetailTable =
    "CREATE TABLE %1 (tip_doc_d Byte, doc_id_d TEXT(15), periodo TEXT(6), formulario TEXT(4),"
    " tip_com TEXT(2), num_ser TEXT(15), per_tri TEXT(6), tot_ven TEXT(15), tot_gra TEXT(15),"
    " cnumero TEXT(6))";

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir dir;
    qav::Database db(QStringLiteral("bench"));
    qav::OpenOptions o;
    o.file = dir.filePath(QStringLiteral("qav.mdb"));
    {
        // The database layer opens existing files only: start from an empty one.
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("create"));
        raw.setDatabaseName(o.file);
        raw.open();
        QSqlQuery(raw).exec(QStringLiteral("PRAGMA user_version = 1"));
        raw.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("create"));
    if (!check(db.open(o), db, "open"))
        return 1;
    QString error;
    if (!qav::createHostTables(db, &error)) {
        std::fprintf(stderr, "schema: %s\n", qPrintable(error));
        return 1;
    }
    for (const char *table : {"f7093des", "f7093des_copy"}) {
        const QString t = QString::fromLatin1(table);
        if (!check(db.execute(QString::fromLatin1(kDetailTable).arg(t)), db, "create")
            || !check(db.execute(QStringLiteral("CREATE UNIQUE INDEX PK_%1 ON %1 (tip_doc_d,"
                                                " doc_id_d, periodo, formulario, tip_com,"
                                                " num_ser, per_tri)")
                                     .arg(t)),
                      db, "index"))
            return 1;
    }

    declmod::DeclarationKey key;
    key.taxpayerId = QStringLiteral("20100066440");
    key.period = QStringLiteral("2023");
    key.formNumber = QStringLiteral("7093");

    // The stored declaration: types 01, 03, 07 (negative), 12; twelve months.
    {
        qav::Transaction t(db);
        const bool ok = db.execute(
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < ?)"
                " INSERT INTO f7093des SELECT 6, ?, ?, ?,"
                " CASE i % 4 WHEN 0 THEN '01' WHEN 1 THEN '03' WHEN 2 THEN '07' ELSE '12' END,"
                " printf('%06d', i / 12), printf('%02d', i % 12 + 1),"
                " printf('%s%d.%02d', CASE i % 4 WHEN 2 THEN '-' ELSE '' END, (i * 7919) % 1000000, i % 100),"
                " printf('%s%d.%02d', CASE i % 4 WHEN 2 THEN '-' ELSE '' END, (i * 7919) % 500000, i % 97),"
                " '' FROM n"),
            {records, key.taxpayerId, key.period, key.formNumber});
        if (!check(ok && t.commit(), db, "fill"))
            return 1;
    }
    std::printf("records: %d, runs: %d (best run counts)\n", records, runs);
    std::printf("peak memory after filling the database: %ld KiB\n", peakRssKiB());

    declmod::WorkingTable wt(db);
    declmod::DetailGridModel model(db);
    double control = 1e18, open = 1e18, totals = 1e18, save = 1e18, copy = 1e18, scroll = 1e18, worstStep = 0;
    double version = 1e18, checkedSave = 1e18;
    double firstChange = 1e18, nextChange = 1e18, keptSave = 1e18;
    int steps = 0;
    std::optional<declmod::DetailTotals> sums;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        if (!check(wt.create() && wt.clear() && wt.fillFromStored(key, false), db, "load"))
            return 1;
        model.refresh();
        for (int r = 0; r < 30; ++r)
            model.index(r, 3).data();
        open = std::min(open, ms(t));

        // The window reads the version of what it loaded right after loading it.
        t.start();
        std::optional<QByteArray> loaded = declmod::DeclarationStore(db).version(
            key, declmod::DeclarationStore::Records::WorkingTable);
        if (!check(loaded.has_value(), db, "version"))
            return 1;
        version = std::min(version, ms(t));

        t.start();
        sums = wt.totals();
        totals = std::min(totals, ms(t));

        t.start();
        if (!check(db.scalar(QStringLiteral("SELECT count(numerocontrol(7, 6, ?, ?, ?, tip_com,"
                                            " num_ser, per_tri, tot_ven, tot_gra))"
                                            " FROM tmpf7093des"),
                             {key.taxpayerId, key.period, key.formNumber})
                       .toInt() == records,
                   db, "control values"))
            return 1;
        control = std::min(control, ms(t));

        // A grid of about 20 visible rows scrolled a page at a time to its end, each step
        // painted (in the first run only: it takes long).
        if (run == 0) {
        QTableView view;
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.verticalHeader()->hide();
        view.setModel(&model);
        view.resize(900, 600);
        view.show();
        app.processEvents();
        QScrollBar *bar = view.verticalScrollBar();
        t.start();
        steps = 0;
        double worst = 0;
        while (bar->value() < bar->maximum()) {
            QElapsedTimer step;
            step.start();
            bar->setValue(bar->value() + bar->pageStep());
            view.viewport()->repaint();
            worst = std::max(worst, ms(step));
            ++steps;
        }
        scroll = std::min(scroll, ms(t));
        worstStep = worst;
        }

        t.start();
        if (!check(declmod::DeclarationStore(db).savePending(key, true, QDate(2026, 12, 10)), db,
                   "save"))
            return 1;
        save = std::min(save, ms(t));

        // The window's save: the stored version compared with the loaded one in the same
        // transaction, and the version written read back.
        {
            declmod::DeclarationStore store(db);
            QByteArray v = store.version(key, declmod::DeclarationStore::Records::WorkingTable)
                               .value_or(QByteArray());
            t.start();
            if (!check(store.savePending(key, true, QDate(2026, 12, 10),
                                         declmod::DeclarationStore::SaveCheck::IfUnchanged, &v)
                           == declmod::DeclarationStore::SaveResult::Saved,
                       db, "checked save"))
                return 1;
            checkedSave = std::min(checkedSave, ms(t));
        }

        t.start();
        {
            qav::Transaction tx(db);
            const bool ok =
                db.execute(QStringLiteral("DELETE FROM f7093des_copy"))
                && db.execute(QStringLiteral("INSERT INTO f7093des_copy SELECT 6, ?, ?, ?,"
                                             " tip_com, num_ser, per_tri, tot_ven, tot_gra, ''"
                                             " FROM temp.tmpf7093des"),
                              {key.taxpayerId, key.period, key.formNumber})
                && tx.commit();
            if (!check(ok, db, "copy"))
                return 1;
        }
        copy = std::min(copy, ms(t));

        // The same declaration kept in a recovery file, as the declaration window keeps it.
        {
            declmod::RecoveryFile kept(db, dir.filePath(QStringLiteral("recovery")),
                                       QStringLiteral("bench"));
            kept.open(key, [] { return false; });
            declmod::VoucherRecord r{QStringLiteral("01"), QStringLiteral("000000"),
                                     QStringLiteral("01"), QStringLiteral("1.00"),
                                     QStringLiteral("1.00")};
            t.start();
            const bool changed = wt.update(r);
            firstChange = std::min(firstChange, ms(t));
            r.tot_ven = QStringLiteral("2.00");
            t.start();
            const bool changedAgain = wt.update(r);
            nextChange = std::min(nextChange, ms(t));
            const QString failure = kept.takeFailure();
            if (!changed || !changedAgain || !failure.isEmpty()
                || !QFileInfo::exists(kept.filePath())) {
                std::fprintf(stderr, "recovery file: %s\n", qPrintable(failure));
                return 1;
            }
            t.start();
            if (!check(declmod::DeclarationStore(db).savePending(key, true, QDate(2026, 12, 10)),
                       db, "save"))
                return 1;
            kept.saved(QByteArray());
            keptSave = std::min(keptSave, ms(t));
            kept.close();
        }
    }

    std::printf("open (working table filled, first grid page): %9.1f ms\n", open);
    std::printf("totals (count and two exact sums):            %9.1f ms   %lld rows\n", totals,
                sums ? sums->count : -1);
    std::printf("scroll to the end, %5d painted page steps:   %9.1f ms   longest step %.1f ms\n",
                steps, scroll, worstStep);
    std::printf("control values alone (computed, not stored): %9.1f ms\n", control);
    std::printf("save with control values (one transaction):   %9.1f ms\n", save);
    std::printf("the same save checked against the loaded version: %6.1f ms\n", checkedSave);
    std::printf("version of the loaded declaration:            %9.1f ms\n", version);
    std::printf("plain INSERT INTO ... SELECT of the same rows: %9.1f ms   save / copy = %.2f\n",
                copy, save / copy);
    std::printf("with the recovery file kept:\n");
    std::printf("  first change (whole table copied to the file): %9.1f ms\n", firstChange);
    std::printf("  a further change (one record):                 %9.1f ms\n", nextChange);
    std::printf("  save and the file marked saved:                %9.1f ms   / save alone = %.2f\n",
                keptSave, keptSave / save);
    std::printf("grid pages read %d, held at the end %d (of %d rows each)\n", model.pagesRead(),
                model.pagesHeld(), declmod::DetailGridModel::PageSize);
    std::printf("peak memory: %ld KiB\n", peakRssKiB());
    db.close();
    return 0;
}
