// The host stand-in as scripts use it: the real devhost binary (from QAV_BIN_DIR) creating
// sandbox installations, refusing to overwrite one, and "sending" declarations.

#include "common/db/account.h"
#include "common/db/database.h"
#include "common/settings/profile.h"
#include "common/text/textfile.h"
#include "tests/support/runprogram.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Run = qavtest::ProgramRun;
using qavtest::runProgram;

QString binDir()
{
    return qEnvironmentVariable("QAV_BIN_DIR");
}

Run devhost(const QStringList &args)
{
    return runProgram(QDir(binDir()).filePath(QStringLiteral("devhost")), args);
}

// Every file and folder under a root, with its bytes' hash and modification time.
QMap<QString, QString> snapshot(const QString &root)
{
    QMap<QString, QString> out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        QString state = info.isDir() ? QStringLiteral("dir") : QStringLiteral("file");
        if (info.isFile()) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                state += QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex());
        }
        state += QLatin1Char(' ') + QString::number(info.lastModified().toMSecsSinceEpoch());
        out.insert(QDir(root).relativeFilePath(path), state);
    }
    return out;
}

bool openInstallation(qav::Database &db, const QString &root)
{
    qav::OpenOptions o;
    o.file = root + QStringLiteral("/qav/qav.mdb");
    o.workgroupFile = root + QStringLiteral("/qav/PM000.MDW");
    o.user = qav::moduleUser();
    o.password = qav::modulePassword();
    return db.open(o);
}

} // namespace

class TstDevhost : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void createsEveryFileAndFolder_data();
    void createsEveryFileAndFolder();
    void settingsFile();
    void workgroupFile();
    void envdesFile();
    void installerRan();

    void taxpayersAndUsers();
    void parameterRows();
    void messages_data();
    void messages();
    void pendingDeclaration();
    void sentDeclaration();

    void secondInitRefused_data();
    void secondInitRefused();
    void installerFailure_data();
    void installerFailure();
    void misuse_data();
    void misuse();
    void runRefusesNonInstallation();

    void sendCopiesDeclaration();
    void sendRefusals_data();
    void sendRefusals();

private:
    QTemporaryDir m_tmp;
    QString m_root; // the installation every check reads
    std::unique_ptr<qav::Database> m_db;
    QString sysUser() const;
};

void TstDevhost::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    QVERIFY2(QFileInfo(QDir(binDir()).filePath(QStringLiteral("devhost"))).isExecutable(),
             "QAV_BIN_DIR must name the folder holding devhost");
    // A folder that does not exist yet, with a space, an accented letter and a quote in its
    // name: it must reach PM000.INI and the table installer intact, and the line printed
    // must give it back to a shell that evaluates it.
    m_root = m_tmp.filePath(QStringLiteral("instalación d'prueba"));
    const Run r = devhost({QStringLiteral("init"), m_root});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY2(r.out.startsWith(QStringLiteral("export QAV_WINDIR=")), qPrintable(r.out));
    const Run shell = runProgram(QStringLiteral("/bin/sh"),
                                 {QStringLiteral("-c"), r.out + QStringLiteral("printf %s \"$QAV_WINDIR\"")});
    QCOMPARE(shell.exitCode, 0);
    QCOMPARE(shell.out, m_root + QStringLiteral("/windows"));
    m_db = std::make_unique<qav::Database>(QStringLiteral("tst-devhost"));
    QVERIFY2(openInstallation(*m_db, m_root), qPrintable(m_db->lastError().text));
}

QString TstDevhost::sysUser() const
{
    return qav::readProfileString(m_root + QStringLiteral("/windows/PM000.INI"), QStringLiteral("Options"),
                                  QStringLiteral("SysUser"));
}

void TstDevhost::createsEveryFileAndFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("folder");
    for (const char *d : {"windows", "qav", "qav/RPT", "qav/TMP", "qav/tmp"})
        QTest::newRow(d) << QString::fromLatin1(d) << true;
    for (const char *f : {"windows/PM000.INI", "qav/PM000.MDW", "qav/qav.mdb", "qav/tmp/envdes.txt"})
        QTest::newRow(f) << QString::fromLatin1(f) << false;
}

void TstDevhost::createsEveryFileAndFolder()
{
    QFETCH(QString, path);
    QFETCH(bool, folder);
    const QFileInfo info(m_root + QLatin1Char('/') + path);
    QVERIFY2(folder ? info.isDir() : info.isFile(), qPrintable(info.filePath()));
}

void TstDevhost::settingsFile()
{
    const QString ini = m_root + QStringLiteral("/windows/PM000.INI");
    const auto key = [&](const char *name) {
        return qav::readProfileString(ini, QStringLiteral("Options"), QString::fromLatin1(name));
    };
    QCOMPARE(key("SysPath"), m_root + QStringLiteral("/qav/"));
    QCOMPARE(key("DBPath"), m_root + QStringLiteral("/qav/"));
    QCOMPARE(key("DBName"), QStringLiteral("qav.mdb"));
    QVERIFY(!key("SysUser").isEmpty());

    // Windows-1252 with CR LF: the accented letter of the folder name is one byte.
    QFile f(ini);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.contains("instalaci\xf3n d'prueba/qav/"));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
}

void TstDevhost::workgroupFile()
{
    const QString mdw = m_root + QStringLiteral("/qav/PM000.MDW");
    QCOMPARE(qav::checkWorkgroupAccount(mdw, qav::moduleUser(), qav::modulePassword()).number, int(qav::ErrNone));
    QCOMPARE(qav::checkWorkgroupAccount(mdw, qav::moduleUser(), QStringLiteral("otraclave")).number,
             int(qav::ErrBadAccount));
}

void TstDevhost::envdesFile()
{
    QFile f(m_root + QStringLiteral("/qav/tmp/envdes.txt"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    const QStringList lines = qav::splitLines(qav::decodeCp1252(bytes));
    QVERIFY(!lines.isEmpty());
    QStringList tables;
    for (const QString &line : lines) {
        QCOMPARE(line.count(u'|'), 13);
        QVERIFY(line.endsWith(u'|'));
        tables << line.section(u'|', 1, 1).toUpper();
    }
    QVERIFY(tables.contains(QStringLiteral("F7093DES")));
    QVERIFY(tables.contains(QStringLiteral("HF7093DES")));
}

void TstDevhost::installerRan()
{
    for (const char *t : {"F7093DES", "HF7093DES", "TMPF7093DES"})
        QVERIFY2(m_db->tableExists(QString::fromLatin1(t)), t);
    // The installer read envdes.txt and wrote its rows and the voucher types.
    QStringList envdes;
    QVERIFY(qav::readTextLines(m_root + QStringLiteral("/qav/tmp/envdes.txt"), &envdes));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM envio_t WHERE formulario='7093'")).toInt(),
             int(envdes.size()));
    QVERIFY(m_db->exists(QStringLiteral("SELECT 1 FROM PARAM WHERE Numero='233' AND Argumento='01'")));
    QVERIFY(m_db->exists(QStringLiteral("SELECT 1 FROM reportes WHERE CodRep='DE0001'")));
}

void TstDevhost::taxpayersAndUsers()
{
    const QList<QSqlRecord> taxpayers = m_db->rows(QStringLiteral("SELECT * FROM CONT WHERE Tip_doc_d=6"));
    QVERIFY(taxpayers.size() >= 4);
    static const QRegularExpression ruc(QStringLiteral("^(10|15|17|20)[0-9]{9}$"));
    int rucs = 0;
    int eight = 0;
    QSet<QString> owners;
    for (const QSqlRecord &t : taxpayers) {
        const QString number = t.value(QStringLiteral("Doc_id_d")).toString();
        rucs += ruc.match(number).hasMatch() ? 1 : 0;
        eight += number.trimmed().size() == 8 ? 1 : 0;
        QVERIFY(!t.value(QStringLiteral("Nombre")).toString().trimmed().isEmpty());
        owners << t.value(QStringLiteral("Usuario")).toString();
    }
    QVERIFY2(rucs >= 4, "at least four 11-digit RUCs");
    QCOMPARE(eight, 1);

    const QList<QSqlRecord> users = m_db->rows(QStringLiteral("SELECT Usuario, Tipo FROM CLAVES"));
    QCOMPARE(users.size(), 2);
    QSet<QString> names;
    QStringList types;
    for (const QSqlRecord &u : users) {
        names << u.value(0).toString();
        types << u.value(1).toString();
    }
    QVERIFY(types.contains(QStringLiteral("0")));
    QVERIFY(types.count(QStringLiteral("0")) == 1);
    QCOMPARE(owners, names); // both users have taxpayers, and nobody else does

    // The settings file names the ordinary user, who must see some taxpayers of his own.
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT Tipo FROM CLAVES WHERE Usuario=?"), {sysUser()}).toString() == "0",
             false);
    QVERIFY(m_db->exists(QStringLiteral("SELECT 1 FROM CONT WHERE Usuario=? AND len(trim(Doc_id_d))=11"),
                         {sysUser()}));
    // ... and one of 8 characters, so that the list's other format shows.
    QVERIFY(m_db->exists(QStringLiteral("SELECT 1 FROM CONT WHERE Usuario=? AND len(trim(Doc_id_d))=8"),
                         {sysUser()}));
}

void TstDevhost::parameterRows()
{
    const QString ruc = m_db->scalar(QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero='044' AND Argumento='6'"))
                            .toString();
    QCOMPARE(ruc.size(), 130);
    QCOMPARE(ruc.mid(45, 2), QStringLiteral("11"));
    // No exact length: the taxpayer list keeps the 8-character document numbers.
    QCOMPARE(ruc.mid(129, 1), QStringLiteral("0"));

    const QList<QSqlRecord> uit =
        m_db->rows(QStringLiteral("SELECT Argumento, VAL(trim(Funcion)) FROM PARAM WHERE Numero='404'"));
    QSet<int> years;
    for (const QSqlRecord &r : uit) {
        const QDate from = QDate::fromString(r.value(0).toString(), QStringLiteral("yyyyMMdd"));
        QVERIFY2(from.isValid(), qPrintable(r.value(0).toString()));
        QVERIFY(r.value(1).toDouble() > 0);
        years << from.year();
    }
    QVERIFY(years.size() >= 3);

    QVERIFY(m_db->exists(QStringLiteral("SELECT 1 FROM PARAM WHERE Numero='979' AND Argumento='00'")));
    QVERIFY(m_db->scalar(QStringLiteral("SELECT count(*) FROM PARAM WHERE Numero='979' AND TRIM(Argumento)<>'00' "
                                        "AND trim(mid(Funcion,1,36))<>''")).toInt() >= 3);
}

void TstDevhost::messages_data()
{
    QTest::addColumn<QString>("code");
    // The duplicate-record message, and every code the import's error list looks up:
    // a code missing from the table would be listed as an unknown error.
    for (const char *c : {"0228", "0900", "0901", "0905", "0906", "0907", "0908", "0914", "0915", "0916",
                          "0921", "0922", "0923", "0944", "0945", "0946", "0947", "0948", "0949"})
        QTest::newRow(c) << QString::fromLatin1(c);
}

void TstDevhost::messages()
{
    QFETCH(QString, code);
    const QVariant text = m_db->scalar(QStringLiteral("SELECT DescError FROM Error WHERE CodError=?"), {code});
    QVERIFY2(!text.toString().trimmed().isEmpty(), qPrintable(code));
}

void TstDevhost::pendingDeclaration()
{
    const QList<QSqlRecord> cab = m_db->rows(QStringLiteral("SELECT * FROM CAB WHERE FORMULARIO='7093'"));
    QCOMPARE(cab.size(), 1);
    const QSqlRecord h = cab.first();
    QCOMPARE(h.value(QStringLiteral("estado")).toInt(), 0);
    QCOMPARE(h.value(QStringLiteral("TIP_DOC_D")).toInt(), 6);
    QCOMPARE(h.value(QStringLiteral("SEMANA")).toInt(), 0);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9]{4}$")).match(h.value(QStringLiteral("PERIODO")).toString()).hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9]{6}$")).match(h.value(QStringLiteral("cNumero")).toString()).hasMatch());
    const QString ruc = h.value(QStringLiteral("DOC_ID_D")).toString();
    // Registered under the session user, so the module lists it.
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT Usuario FROM CONT WHERE Tip_doc_d=6 AND Doc_id_d=?"), {ruc}).toString(),
             sysUser());

    const QList<QSqlRecord> records = m_db->rows(
        QStringLiteral("SELECT * FROM f7093des WHERE doc_id_d=? AND tip_doc_d=6 AND periodo=? AND formulario='7093'"),
        {ruc, h.value(QStringLiteral("PERIODO"))});
    QVERIFY(records.size() >= 3);
    for (const QSqlRecord &r : records) {
        QVERIFY(qAbs(r.value(QStringLiteral("tot_gra")).toDouble()) <= qAbs(r.value(QStringLiteral("tot_ven")).toDouble()));
        QCOMPARE(r.value(QStringLiteral("tot_ven")).toDouble() < 0, r.value(QStringLiteral("tip_com")).toString() == "07");
        QCOMPARE(r.value(QStringLiteral("cnumero")).toString().size(), 6);
    }
    // No other f7093des rows than the declaration's.
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM f7093des")).toInt(), int(records.size()));
}

void TstDevhost::sentDeclaration()
{
    const QList<QSqlRecord> hcab = m_db->rows(QStringLiteral("SELECT * FROM HCAB WHERE FORMULARIO='7093'"));
    QCOMPARE(hcab.size(), 1);
    const QSqlRecord h = hcab.first();
    QCOMPARE(h.value(QStringLiteral("CORREL")).toString(), QStringLiteral("001"));
    QCOMPARE(h.value(QStringLiteral("estado")).toInt(), 1);
    QVERIFY(h.value(QStringLiteral("NORDEN")).toString().trimmed().isEmpty());
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9]{8}$")).match(h.value(QStringLiteral("CONTROL")).toString()).hasMatch());
    QVERIFY(h.value(QStringLiteral("FEC_ENV")).toDateTime().isValid());
    const QString ruc = h.value(QStringLiteral("DOC_ID_D")).toString();
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT Usuario FROM CONT WHERE Tip_doc_d=6 AND Doc_id_d=?"), {ruc}).toString(),
             sysUser());
    QVERIFY(m_db->scalar(QStringLiteral("SELECT count(*) FROM hf7093des WHERE doc_id_d=? AND tip_doc_d=6 AND "
                                        "periodo=? AND formulario='7093' AND correl='001'"),
                         {ruc, h.value(QStringLiteral("PERIODO"))}).toInt() >= 1);
}

void TstDevhost::secondInitRefused_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::newRow("a complete installation") << QStringList();
    QTest::newRow("only a windows folder") << QStringList{QStringLiteral("windows/PM000.INI")};
    QTest::newRow("only a qav folder") << QStringList{QStringLiteral("qav/qav.mdb")};
}

void TstDevhost::secondInitRefused()
{
    QFETCH(QStringList, existing);
    QString root = m_root;
    QTemporaryDir other;
    if (!existing.isEmpty()) {
        root = other.path();
        for (const QString &f : existing) {
            QVERIFY(QDir().mkpath(QFileInfo(root + QLatin1Char('/') + f).path()));
            QFile file(root + QLatin1Char('/') + f);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("someone else's\r\n");
        }
    }
    m_db->close(); // the file's bytes are compared; the open connection may touch them
    const QMap<QString, QString> before = snapshot(root);
    const Run r = devhost({QStringLiteral("init"), root});
    QVERIFY(r.exitCode != 0 && r.exitCode != -1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(root), qPrintable(r.err));
    QCOMPARE(snapshot(root), before);
    QVERIFY(openInstallation(*m_db, m_root));
}

void TstDevhost::installerFailure_data()
{
    QTest::addColumn<QString>("script"); // empty: no installer at all
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing") << QString() << QStringLiteral("tableinst");
    QTest::newRow("fails") << QStringLiteral("echo 'Error Número : 9001 fallo simulado' >&2; exit 3")
                           << QStringLiteral("fallo simulado");
    QTest::newRow("succeeds without tables") << QStringLiteral("exit 0") << QStringLiteral("F7093DES");
}

void TstDevhost::installerFailure()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);
    // A bin folder of its own: devhost beside a stand-in for the installer.
    QTemporaryDir bin;
    QVERIFY(QFile::copy(QDir(binDir()).filePath(QStringLiteral("devhost")), bin.filePath(QStringLiteral("devhost"))));
    if (!script.isEmpty()) {
        QFile f(bin.filePath(QStringLiteral("tableinst")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + script.toUtf8() + "\n");
        f.close();
        QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ExeOwner));
    }
    QTemporaryDir parent;
    const QString root = parent.filePath(QStringLiteral("inst"));
    const Run r = runProgram(bin.filePath(QStringLiteral("devhost")), {QStringLiteral("init"), root});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(expected), qPrintable(r.err));
    // What the failed run created is gone, so that it can simply be repeated.
    QVERIFY(!QFileInfo::exists(root));
}

void TstDevhost::misuse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("unknown command") << QStringList{QStringLiteral("start"), QStringLiteral("x")};
    QTest::newRow("init without folder") << QStringList{QStringLiteral("init")};
    QTest::newRow("init with two folders") << QStringList{QStringLiteral("init"), QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("run without folder") << QStringList{QStringLiteral("run")};
    QTest::newRow("send without year") << QStringList{QStringLiteral("send"), QStringLiteral("d"), QStringLiteral("20518732464")};
}

void TstDevhost::misuse()
{
    QFETCH(QStringList, args);
    const Run r = devhost(args);
    QCOMPARE(r.exitCode, 64);
    QVERIFY(r.err.contains(QStringLiteral("devhost init DIR")));
}

void TstDevhost::runRefusesNonInstallation()
{
    QTemporaryDir empty;
    const Run r = devhost({QStringLiteral("run"), empty.path()});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QStringLiteral("PM000.INI")), qPrintable(r.err));
}

void TstDevhost::sendCopiesDeclaration()
{
    QTemporaryDir parent;
    const QString root = parent.filePath(QStringLiteral("inst"));
    QCOMPARE(devhost({QStringLiteral("init"), root}).exitCode, 0);
    qav::Database db(QStringLiteral("tst-devhost-send"));
    QVERIFY(openInstallation(db, root));
    const QSqlRecord cab = db.rows(QStringLiteral("SELECT * FROM CAB WHERE FORMULARIO='7093'")).value(0);
    const QString ruc = cab.value(QStringLiteral("DOC_ID_D")).toString();
    const QString year = cab.value(QStringLiteral("PERIODO")).toString();
    const QVariantList key = {ruc, year};
    const int records = db.scalar(QStringLiteral("SELECT count(*) FROM f7093des WHERE doc_id_d=? AND periodo=?"), key).toInt();
    const QString sampleControl = db.scalar(QStringLiteral("SELECT CONTROL FROM HCAB")).toString();
    db.close();

    QStringList controls{sampleControl};
    for (const QString &correl : {QStringLiteral("001"), QStringLiteral("002")}) {
        const Run r = devhost({QStringLiteral("send"), root, ruc, year});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("CORREL ") + correl), qPrintable(r.out));

        QVERIFY(openInstallation(db, root));
        const QList<QSqlRecord> sent = db.rows(
            QStringLiteral("SELECT * FROM HCAB WHERE DOC_ID_D=? AND TIP_DOC_D=6 AND PERIODO=? AND FORMULARIO='7093' "
                           "AND SEMANA=0 AND CORREL=?"), {ruc, year, correl});
        QCOMPARE(sent.size(), 1);
        const QSqlRecord h = sent.first();
        QCOMPARE(h.value(QStringLiteral("estado")).toInt(), 1);
        QVERIFY(h.value(QStringLiteral("FEC_ENV")).toDateTime().isValid());
        QVERIFY(h.value(QStringLiteral("NORDEN")).toString().isEmpty());
        const QString control = h.value(QStringLiteral("CONTROL")).toString();
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9]{8}$")).match(control).hasMatch());
        QVERIFY2(!controls.contains(control), "every sending has its own control number");
        controls << control;
        QVERIFY2(r.out.contains(control), qPrintable(r.out));
        // The records travel with their control values; the pending declaration stays.
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM hf7093des h JOIN f7093des f ON "
                                          "f.doc_id_d=h.doc_id_d AND f.periodo=h.periodo AND f.tip_com=h.tip_com "
                                          "AND f.num_ser=h.num_ser AND f.per_tri=h.per_tri AND f.tot_ven=h.tot_ven "
                                          "AND f.tot_gra=h.tot_gra AND f.cnumero=h.cnumero "
                                          "WHERE h.doc_id_d=? AND h.periodo=? AND h.correl=?"),
                           {ruc, year, correl}).toInt(),
                 records);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM CAB WHERE DOC_ID_D=? AND PERIODO=?"), key).toInt(), 1);

        // sendrep wrote the receipt of this sending: one more DE0002 document, and the copies
        // named after its command line (form, period in 6, week, control number).
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM SPOOL WHERE CodRep='DE0002' AND Doc_id_d=?"), {ruc})
                     .toInt(),
                 controls.size() - 1);
        const QString name = QStringLiteral("7093") + year.leftJustified(6, u' ') + u'0' + control;
        QStringList document;
        QVERIFY(qav::readTextLines(root + QStringLiteral("/qav/RPT/") + name + QStringLiteral(".PRN"), &document));
        QVERIFY2(document.contains(QStringLiteral("pPos|10|3500|          NC ") + control
                                   + QStringLiteral("        Fec.Generación: ")
                                   + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))
                                   + QStringLiteral("|False|8|0|")),
                 qPrintable(document.join(u'\n')));
        QStringList receipt;
        QVERIFY(qav::readTextLines(root + QStringLiteral("/qav/TMP/") + name + QStringLiteral(".txt"), &receipt));
        QCOMPARE(receipt.value(0), QStringLiteral("DOCUMENTO      : ") + ruc.leftJustified(15, u' '));
        QVERIFY2(r.out.contains(name + QStringLiteral(".PRN")), qPrintable(r.out));
        db.close();
    }
}

void TstDevhost::sendRefusals_data()
{
    QTest::addColumn<QString>("ruc");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("prepare"); // a statement run on the installation first
    const QString pending = QStringLiteral("20518732464");
    QTest::newRow("no such exercise") << pending << QStringLiteral("2019") << QString();
    QTest::newRow("year not four digits") << pending << QStringLiteral("23") << QString();
    QTest::newRow("quote in the RUC") << pending + QStringLiteral("' OR '1'='1") << QStringLiteral("2023") << QString();
    QTest::newRow("saved with inconsistencies")
        << pending << QStringLiteral("2023") << QStringLiteral("UPDATE CAB SET estado=9");
    QTest::newRow("no records") << pending << QStringLiteral("2023") << QStringLiteral("DELETE FROM f7093des");
}

void TstDevhost::sendRefusals()
{
    QFETCH(QString, ruc);
    QFETCH(QString, year);
    QFETCH(QString, prepare);
    QTemporaryDir parent;
    const QString root = parent.filePath(QStringLiteral("inst"));
    QCOMPARE(devhost({QStringLiteral("init"), root}).exitCode, 0);
    qav::Database db(QStringLiteral("tst-devhost-refusal"));
    QVERIFY(openInstallation(db, root));
    QVERIFY(QStringList(db.tables()).contains(QStringLiteral("HCAB"), Qt::CaseInsensitive));
    if (!prepare.isEmpty())
        QVERIFY(db.execute(prepare));
    const QString count = QStringLiteral("SELECT (SELECT count(*) FROM HCAB) || '/' || (SELECT count(*) FROM hf7093des) "
                                         "|| '/' || (SELECT count(*) FROM HDET)");
    const QString before = db.scalar(count).toString();
    db.close();

    const Run r = devhost({QStringLiteral("send"), root, ruc, year});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(!r.err.trimmed().isEmpty());
    QVERIFY(openInstallation(db, root));
    QCOMPARE(db.scalar(count).toString(), before);
}

QTEST_GUILESS_MAIN(TstDevhost)
#include "tst_devhost.moc"
