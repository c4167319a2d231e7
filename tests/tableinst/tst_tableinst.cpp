// The table installer, run in-process with scripted messages and as the real program
// without a display.

#include "common/db/account.h"
#include "common/db/database.h"
#include "common/text/textfile.h"
#include "common/ui/messages.h"
#include "tableinst/installer.h"
#include "tests/support/runprogram.h"
#include "tests/support/sandbox.h"
#include "tests/support/unprivileged.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlRecord>
#include <QtTest>

using tableinst::Installer;

namespace {

const QString kQuestion = QStringLiteral("Se  detectado que ya existen las tablas del QAV\n Desea Sobreescribirlas?");

QStringList columnsOf(qav::Database &db, const QString &table)
{
    QStringList out;
    for (const QSqlRecord &r : db.rows(QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"), {table}))
        out << r.value(0).toString();
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestTableInst : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;
    std::shared_ptr<qav::ScriptedMessageService> m_msg;
    std::unique_ptr<qav::Database> m_db;

    qav::Database &db()
    {
        if (!m_db) {
            m_db = std::make_unique<qav::Database>(QStringLiteral("check"));
            if (!m_db->open(m_sb->openOptions()))
                qWarning() << m_db->lastError().text;
        }
        return *m_db;
    }

    int count(const QString &sql, const QVariantList &params = {})
    {
        return db().scalar(sql, params).toInt();
    }

    bool writeIni(const QStringList &lines)
    {
        return qav::writeTextLines(m_sb->iniFile(), lines);
    }

    QString tableinstPath() const
    {
        return qEnvironmentVariable("QAV_BIN_DIR") + QStringLiteral("/tableinst");
    }

    // Runs the program without a display; returns its exit code and fills *err.
    int runProgram(QString *err, const QStringList &args = {})
    {
        const qavtest::ProgramRun run = qavtest::runProgram(tableinstPath(), args, m_sb->windir);
        *err = run.err;
        return run.exitCode;
    }

    void expectNothingWritten()
    {
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM PARAM")), 0);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM reportes")), 0);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM envio_t")), 0);
        QVERIFY(!db().tableExists(QStringLiteral("F7093DES")));
    }

private slots:
    void init()
    {
        m_sb = std::make_unique<qavtest::Sandbox>();
        QString why;
        QVERIFY2(m_sb->create(&why), qPrintable(why));
        m_msg = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(m_msg);
    }

    void cleanup()
    {
        m_db.reset();
        qav::setMessageService(nullptr);
        m_msg.reset();
        m_sb.reset();
    }

    void firstRunWritesEverything()
    {
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QVERIFY(m_msg->shown.isEmpty());

        const QList<QSqlRecord> params = db().rows(
            QStringLiteral("SELECT Numero, Argumento, Funcion, Correl_Param FROM PARAM WHERE Numero IN ('992','996') "
                           "ORDER BY Numero, Argumento"));
        QCOMPARE(params.size(), 3);
        QCOMPARE(params[0].value(2).toString(), QStringLiteral("2"));
        QCOMPARE(params[1].value(1).toString(), QStringLiteral("230"));
        QCOMPARE(params[1].value(2).toString(), QStringLiteral("F7093DES       R 1000   4"));
        QCOMPARE(params[2].value(2).toString(), QStringLiteral("HF7093DES      R 1000   4"));
        for (const QSqlRecord &r : params)
            QCOMPARE(r.value(3), QVariant(QString()));

        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM PARAM WHERE Numero='233'")), 8);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM PARAM WHERE Numero='233' AND mid(Funcion,67,1)='1'")), 8);
        QCOMPARE(db().scalar(QStringLiteral("SELECT group_concat(Argumento) FROM "
                                            "(SELECT Argumento FROM PARAM WHERE Numero='233' ORDER BY Argumento)"))
                     .toString(),
                 QStringLiteral("01,03,06,07,08,12,16,99"));

        const QList<QSqlRecord> reports = db().rows(QStringLiteral("SELECT * FROM reportes ORDER BY 1"));
        QCOMPARE(reports.size(), 3);
        QCOMPARE(reports[0].value(1).toString(), QStringLiteral("Reporte de Declaraciones  -  7093"));
        QCOMPARE(reports[1].value(1).toString(), QString::fromUtf8("Reporte de Envío - 7093"));
        QCOMPARE(reports[2].value(1).toString(), QStringLiteral("Errores de Transferencia - 7093"));
        QCOMPARE(reports[2].value(2).toInt(), 1);

        const QList<QSqlRecord> envio = db().rows(QStringLiteral("SELECT * FROM envio_t ORDER BY tabla_o"));
        QCOMPARE(envio.size(), 2);
        QStringList first;
        for (int i = 0; i < envio[0].count(); ++i)
            first << envio[0].value(i).toString();
        QCOMPARE(first.join(u'|'), QStringLiteral("7093|F7093DES|F7093DES|DES|1|1|1|2|4|3|0|0|0"));

        QCOMPARE(columnsOf(db(), QStringLiteral("F7093DES")),
                 (QStringList{"tip_doc_d", "doc_id_d", "periodo", "formulario", "tip_com", "num_ser", "per_tri",
                              "tot_ven", "tot_gra", "cnumero"}));
        QCOMPARE(columnsOf(db(), QStringLiteral("HF7093DES")),
                 (QStringList{"tip_doc_d", "doc_id_d", "periodo", "formulario", "correl", "tip_com", "num_ser",
                              "per_tri", "tot_ven", "tot_gra", "cnumero"}));
        QCOMPARE(columnsOf(db(), QStringLiteral("TMPF7093DES")),
                 (QStringList{"tip_com", "num_ser", "per_tri", "tot_ven", "tot_gra"}));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='index' AND name IN "
                                      "('PK_F7093DES','PK_HF7093DES','PK_TMPF7093DES')")),
                 3);
    }

    // The keys the module relies on: one line per voucher type, series and month; a series
    // that differs only in case is the same key.
    void moduleKeys_data()
    {
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QString>("otherMonth");
        QTest::newRow("f7093des") << "INSERT INTO f7093des VALUES (6,'20100066603','2009','7093','01','%2','%1','10','1.8','')"
                                  << "02";
        QTest::newRow("hf7093des")
            << "INSERT INTO hf7093des VALUES (6,'20100066603','2009','7093','001','01','%2','%1','10','1.8','')"
            << "02";
        QTest::newRow("tmpf7093des") << "INSERT INTO tmpf7093des VALUES ('01','%2','%1','10','1.8')" << "02";
    }

    void moduleKeys()
    {
        QFETCH(QString, insert);
        QFETCH(QString, otherMonth);
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QVERIFY(db().execute(insert.arg(QStringLiteral("01"), QStringLiteral("a001"))));
        for (const QString &series : {QStringLiteral("a001"), QStringLiteral("A001")}) {
            QVERIFY(!db().execute(insert.arg(QStringLiteral("01"), series)));
            QCOMPARE(db().lastError().number, int(qav::ErrDuplicateKey));
        }
        QVERIFY(db().execute(insert.arg(otherMonth, QStringLiteral("A001"))));
        QVERIFY(db().execute(insert.arg(QStringLiteral("01"), QStringLiteral("B001"))));
    }

    // A second run updates what the first wrote: one row per PARAM key and per tabla_o, the
    // report catalogue unchanged, and no message even though the tables and keys exist.
    void runTwice_data()
    {
        QTest::addColumn<bool>("reportesKeyed");
        QTest::newRow("report catalogue with a key") << true;
        QTest::newRow("report catalogue without a key") << false;
    }

    void runTwice()
    {
        QFETCH(bool, reportesKeyed);
        if (!reportesKeyed)
            QVERIFY(db().execute(QStringLiteral("DROP INDEX PK_reportes")));
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QVERIFY(db().execute(QStringLiteral("UPDATE PARAM SET Funcion='cambiada' WHERE Numero='233' AND Argumento='07'")));
        QVERIFY(m_sb->writeEnvdes({QStringLiteral("x| F7093DES |F7093DES|NUEVA|9|1|1|2|4|3|0|0|5|"),
                                   QStringLiteral("x|HF7093DES|HF7093DES|HDES|2|1|1|2|4|3|0|0|0|")}));

        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QVERIFY(m_msg->shown.isEmpty());
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM PARAM")), 11);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT Numero, Argumento FROM PARAM)")), 11);
        QCOMPARE(db().scalar(QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero='233' AND Argumento='07'")).toString(),
                 QStringLiteral("NOTA DE CREDITO                               00001 1 1 CRED 1111011"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM reportes")), 3);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM envio_t WHERE formulario='7093'")), 2);
        const QSqlRecord f = db().rows(QStringLiteral("SELECT * FROM envio_t WHERE tabla_o='F7093DES'")).value(0);
        QCOMPARE(f.value(QStringLiteral("tabla_ext")).toString(), QStringLiteral("NUEVA"));
        QCOMPARE(f.value(QStringLiteral("indice")).toInt(), 9);
        QCOMPARE(f.value(QStringLiteral("c_semana")).toInt(), 5);
    }

    // The table named in another case in envdes.txt is the row already there: it is updated,
    // not added a second time.
    void envdesTableInAnotherCase()
    {
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QVERIFY(m_sb->writeEnvdes({QStringLiteral("x|f7093des|F7093DES|OTRA|1|1|1|2|4|3|0|0|0|"),
                                   QStringLiteral("x|Hf7093Des|HF7093DES|HDES|2|1|1|2|4|3|0|0|0|")}));
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM envio_t WHERE formulario='7093'")), 2);
        QCOMPARE(db().scalar(QStringLiteral("SELECT tabla_ext FROM envio_t WHERE tabla_o='F7093DES'")).toString(),
                 QStringLiteral("OTRA"));
    }

    // Rows of other forms in envio_t are not this program's: an equal tabla_o of another form
    // is left alone.
    void otherFormsLeftAlone()
    {
        QVERIFY(db().execute(QStringLiteral("INSERT INTO envio_t VALUES ('0621','F7093DES','X','Y',1,1,1,1,1,1,1,1,1)")));
        QVERIFY(db().execute(QStringLiteral("INSERT INTO PARAM VALUES ('233','02','RECIBO POR HONORARIOS','')")));
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QCOMPARE(db().scalar(QStringLiteral("SELECT tabla_d FROM envio_t WHERE formulario='0621'")).toString(),
                 QStringLiteral("X"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM envio_t")), 3);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM PARAM WHERE Numero='233'")), 9);
    }

    void existingDetailTableStopsCreation()
    {
        QVERIFY(db().execute(QStringLiteral("CREATE TABLE f7093des (x)")));
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QVERIFY(m_msg->shown.isEmpty());
        QVERIFY(!db().tableExists(QStringLiteral("HF7093DES")));
        QVERIFY(!db().tableExists(QStringLiteral("TMPF7093DES")));
        QCOMPARE(columnsOf(db(), QStringLiteral("f7093des")), QStringList{QStringLiteral("x")});
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM PARAM")), 11);
    }

    void missingTablesCreatedExistingKept()
    {
        QVERIFY(db().execute(QStringLiteral("CREATE TABLE TMPF7093DES (tip_com, num_ser, per_tri, tot_ven, tot_gra)")));
        QVERIFY(db().execute(QStringLiteral("INSERT INTO TMPF7093DES VALUES ('01','1','01','5','5')")));
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QVERIFY(m_msg->shown.isEmpty());
        QVERIFY(db().tableExists(QStringLiteral("F7093DES")));
        QVERIFY(db().tableExists(QStringLiteral("HF7093DES")));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM TMPF7093DES")), 1);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='PK_TMPF7093DES'")), 0);
    }

    // Reading envdes.txt ends at the first line that is blank once trimmed.
    void blankLineEndsEnvdes_data()
    {
        QTest::addColumn<QString>("blank");
        QTest::newRow("empty line") << "";
        QTest::newRow("spaces only") << "   \t";
    }

    void blankLineEndsEnvdes()
    {
        QFETCH(QString, blank);
        QVERIFY(m_sb->writeEnvdes({QStringLiteral("x|T1|D1|E1|1|1|1|2|4|3|0|0|0|"),
                                   QStringLiteral("x|T2|D2|E2|1|1|1|2|4|3|0|0|0|"), blank,
                                   QStringLiteral("x|T3|D3|E3|1|1|1|2|4|3|0|0|0|"),
                                   QStringLiteral("no es una linea valida")}));
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QVERIFY(m_msg->shown.isEmpty());
        QCOMPARE(db().scalar(QStringLiteral("SELECT group_concat(tabla_o) FROM (SELECT tabla_o FROM envio_t ORDER BY 1)"))
                     .toString(),
                 QStringLiteral("T1,T2"));
    }

    // Texts from the file are stored as they stand, quotes included; numbers may carry
    // blanks and a decimal part.
    void envdesValuesAsTyped()
    {
        QVERIFY(m_sb->writeEnvdes({QString::fromUtf8("x| 0'1 |A\"B| Año' --|  7 |255|0|-3|1.5|2.5|0|0|0|sobra|")}));
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        const QList<QSqlRecord> rows = db().rows(QStringLiteral("SELECT * FROM envio_t"));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].value(1).toString(), QStringLiteral("0'1"));
        QCOMPARE(rows[0].value(2).toString(), QStringLiteral("A\"B"));
        QCOMPARE(rows[0].value(3).toString(), QString::fromUtf8("Año' --"));
        QCOMPARE(rows[0].value(4).toInt(), 7);
        QCOMPARE(rows[0].value(5).toInt(), 255);
        QCOMPARE(rows[0].value(7).toInt(), -3);
        QCOMPARE(rows[0].value(8).toInt(), 2);
        QCOMPARE(rows[0].value(9).toInt(), 2);
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM envio_t")), 1);
    }

    // A broken envdes.txt stops the run with a message naming the file and the line, before
    // anything is written.
    void badEnvdes_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("expected");
        const QString good = QStringLiteral("x|T1|D1|E1|1|1|1|2|4|3|0|0|0|");
        QTest::newRow("missing file") << QStringList{"<none>"} << QStringLiteral("envdes.txt");
        QTest::newRow("twelve separators") << QStringList{good, "x|T2|D2|E2|1|1|1|2|4|3|0|0|0"}
                                           << QStringLiteral("línea 2");
        QTest::newRow("one field") << QStringList{"F7093DES"} << QStringLiteral("línea 1");
        QTest::newRow("byte out of range") << QStringList{"x|T1|D1|E1|256|1|1|2|4|3|0|0|0|"}
                                           << QStringLiteral("campo 5");
        QTest::newRow("negative byte") << QStringList{"x|T1|D1|E1|1|1|-1|2|4|3|0|0|0|"} << QStringLiteral("campo 7");
        QTest::newRow("not a number") << QStringList{good, good, "x|T3|D3|E3|1|1|1|2|4|tres|0|0|0|"}
                                      << QStringLiteral("línea 3");
        QTest::newRow("empty number") << QStringList{"x|T1|D1|E1|1|1|1|2|4|3|0||0|"} << QStringLiteral("campo 12");
    }

    void badEnvdes()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, expected);
        if (lines == QStringList{"<none>"})
            QVERIFY(QFile::remove(m_sb->envdesFile()));
        else
            QVERIFY(m_sb->writeEnvdes(lines));
        QCOMPARE(Installer().run(), int(tableinst::Stopped));
        QCOMPARE(m_msg->shown.size(), 1);
        const qav::Message &m = m_msg->shown[0];
        QCOMPARE(m.icon(), int(qav::MbCritical));
        QVERIFY2(m.text.contains(m_sb->envdesFile()), qPrintable(m.text));
        QVERIFY2(m.text.contains(expected), qPrintable(m.text));
        expectNothingWritten();
    }

    // What the message says of a field: a number beyond a long integer is out of range, not
    // "not a number"; and a huge line is quoted only in part, so the box stays readable.
    void envdesFieldMessages_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("beyond a long integer")
            << "x|T1|D1|E1|1|1|1|2|4|3000000000|0|0|0|"
            << "El campo 10 (\"3000000000\") debe ser un número de -2147483648 a 2147483647.";
        QTest::newRow("far beyond, with an exponent")
            << "x|T1|D1|E1|1|1|1|-1e40|4|3|0|0|0|"
            << "El campo 8 (\"-1e40\") debe ser un número de -2147483648 a 2147483647.";
        QTest::newRow("not a number") << "x|T1|D1|E1|1|1|1|2|4|tres|0|0|0|"
                                      << "El campo 10 (\"tres\") debe ser un número.";
        QTest::newRow("byte") << "x|T1|D1|E1|1|300|1|2|4|3|0|0|0|"
                              << "El campo 6 (\"300\") debe ser un número de 0 a 255.";
        const QString huge(5 << 20, u'9');
        QTest::newRow("five megabytes")
            << "x|T1|D1|E1|1|1|1|2|4|" + huge + "|0|0|0|"
            << "El campo 10 (\"" + huge.left(200) + "...\") debe ser un número de -2147483648 a "
                   "2147483647.";
    }

    void envdesFieldMessages()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QVERIFY(m_sb->writeEnvdes({line}));
        QCOMPARE(Installer().run(), int(tableinst::Stopped));
        QCOMPARE(m_msg->shown.size(), 1);
        const QString &text = m_msg->shown[0].text;
        QVERIFY2(text.endsWith(u'\n' + expected), qPrintable(text.right(300)));
        QVERIFY2(text.size() < 1000, qPrintable(QString::number(text.size())));
        expectNothingWritten();
    }

    void envdesNameInAnyCase()
    {
        QVERIFY(QFile::rename(m_sb->envdesFile(), m_sb->sysPath + QStringLiteral("tmp/ENVDES.TXT")));
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM envio_t")), 2);
    }

    void sysPathSettings_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("used");
        QTest::newRow("one separator") << "%1" << "%1";
        QTest::newRow("two separators") << "%1/" << "%1";
        QTest::newRow("blanks around") << "   %1  " << "%1";
    }

    void sysPathSettings()
    {
        QFETCH(QString, configured);
        QFETCH(QString, used);
        QVERIFY(writeIni({QStringLiteral("[OPTIONS]"), QStringLiteral("sysPath=") + configured.arg(m_sb->sysPath),
                          QStringLiteral("DBName=qav.mdb")}));
        Installer inst;
        QCOMPARE(inst.run(), int(tableinst::Completed));
        QCOMPARE(inst.sysPath(), used.arg(m_sb->sysPath));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM envio_t")), 2);
    }

    void doubledSeparatorInMessages()
    {
        QVERIFY(writeIni({QStringLiteral("[Options]"), QStringLiteral("SysPath=") + m_sb->sysPath + u'/',
                          QStringLiteral("DBName=qav.mdb")}));
        QVERIFY(QFile::remove(m_sb->envdesFile()));
        QCOMPARE(Installer().run(), int(tableinst::Stopped));
        QCOMPARE(m_msg->shown.size(), 1);
        QVERIFY2(m_msg->shown[0].text.contains(m_sb->sysPath + QStringLiteral("tmp/envdes.txt")),
                 qPrintable(m_msg->shown[0].text));
    }

    void noInstallation_data()
    {
        QTest::addColumn<QStringList>("ini");
        QTest::newRow("blank SysPath") << QStringList{"[Options]", "SysPath=   ", "DBName=qav.mdb"};
        QTest::newRow("no SysPath key") << QStringList{"[Options]", "DBName=qav.mdb"};
        QTest::newRow("SysPath in another section") << QStringList{"[Otra]", "SysPath=/tmp/"};
        QTest::newRow("no settings file") << QStringList{};
    }

    void noInstallation()
    {
        QFETCH(QStringList, ini);
        if (ini.isEmpty())
            QVERIFY(QFile::remove(m_sb->iniFile()));
        else
            QVERIFY(writeIni(ini));
        QCOMPARE(Installer().run(), int(tableinst::Stopped));
        QCOMPARE(m_msg->shown.size(), 1);
        // Without the file, the message first says which file is missing and where.
        const QString missing = QString::fromUtf8("No se encuentra el archivo de configuración "
                                                  "PM000.INI (se buscó en %1).\n")
                                    .arg(m_sb->iniFile());
        QCOMPARE(m_msg->shown[0].text,
                 (ini.isEmpty() ? missing : QString()) + QStringLiteral("Debe instalar primero el QAV "));
        QCOMPARE(m_msg->shown[0].style, int(qav::MbInformation));
        QCOMPARE(m_msg->shown[0].title, QStringLiteral("Mensaje"));
        expectNothingWritten();
    }

    void connectionErrors_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("text");
        QTest::newRow("other account") << "account"
                                       << qav::dbErrorText(qav::ErrBadAccount) + QStringLiteral("\n 3029");
        QTest::newRow("no workgroup file") << "nomdw"
                                           << qav::dbErrorText(qav::ErrNoWorkgroup) + QStringLiteral("\n 3028");
        QTest::newRow("no database file") << "nodb" << "";
    }

    void connectionErrors()
    {
        QFETCH(QString, change);
        QFETCH(QString, text);
        if (change == "account")
            QVERIFY(qav::writeWorkgroupFile(m_sb->workgroupFile(), QStringLiteral("otracuen"), qav::modulePassword()));
        else if (change == "nomdw")
            QVERIFY(QFile::remove(m_sb->workgroupFile()));
        else if (change == "nodb") {
            QVERIFY(writeIni({QStringLiteral("[Options]"), QStringLiteral("SysPath=") + m_sb->sysPath,
                              QStringLiteral("DBName=otra.mdb")}));
            text = qav::dbErrorText(qav::ErrFileNotFound, m_sb->sysPath + QStringLiteral("otra.mdb"))
                   + QStringLiteral("\n 3024");
        }
        QCOMPARE(Installer().run(), int(tableinst::Stopped));
        QCOMPARE(m_msg->shown.size(), 1);
        QCOMPARE(m_msg->shown[0].text, text);
        QCOMPARE(m_msg->shown[0].style, int(qav::MbOk));
        QCOMPARE(m_msg->shown[0].title, QString::fromUtf8("Error de Conección"));
        QVERIFY(!QFile::exists(m_sb->sysPath + QStringLiteral("otra.mdb")));
    }

    // A file that is not the host's database (empty, or another program's) is refused at
    // open with the installer's connection failure, and left byte for byte as it was: no
    // module table, no journal switched.
    void foreignDatabaseRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("empty file") << "empty";
        QTest::newRow("database of another program") << "foreign";
    }

    void foreignDatabaseRefused()
    {
        QFETCH(QString, kind);
        const QString file = m_sb->sysPath + QStringLiteral("otra.mdb");
        if (kind == "empty") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else {
            qav::OpenOptions o;
            o.file = file;
            QFile(file).open(QIODevice::WriteOnly);
            qav::Database other(QStringLiteral("other"));
            QVERIFY(other.open(o));
            QVERIFY(other.execute(QStringLiteral("PRAGMA journal_mode=DELETE")));
            QVERIFY(other.execute(QStringLiteral("CREATE TABLE notas (texto TEXT)")));
            QVERIFY(other.execute(QStringLiteral("INSERT INTO notas VALUES ('hola')")));
        }
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray before = in.readAll();
        in.close();
        QVERIFY(writeIni({QStringLiteral("[Options]"), QStringLiteral("SysPath=") + m_sb->sysPath,
                          QStringLiteral("DBName=otra.mdb")}));

        QCOMPARE(Installer().run(), int(tableinst::Stopped));
        QCOMPARE(m_msg->shown.size(), 1);
        QCOMPARE(m_msg->shown[0].text, qav::dbErrorText(qav::ErrNotADatabase, file) + QStringLiteral("\n 3343"));
        QCOMPARE(m_msg->shown[0].title, QString::fromUtf8("Error de Conección"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(in.readAll(), before);
        QVERIFY(!QFile::exists(file + QStringLiteral("-wal")));
    }

    // A file without write permission is refused at open, with one message, and nothing is
    // written to it. The superuser writes whatever the permission bits say, so as root the
    // run is made by an unprivileged user who owns the installation.
    void readOnlyDatabaseRefused()
    {
        const QByteArray before = fileBytes(m_sb->dbFile);
        QVERIFY(!before.isEmpty());
        QVERIFY(QFile::setPermissions(m_sb->dbFile, QFile::ReadOwner | QFile::ReadUser));
        QString why;
        const auto seen = qavtest::runWithFilePermissions(m_sb->root, [this] {
            // The run must meet a file it really may not write.
            QStringList out{QStringLiteral("writable: ") + (QFileInfo(m_sb->dbFile).isWritable() ? "yes" : "no"),
                            QStringLiteral("run: %1").arg(Installer().run())};
            for (const qav::Message &m : m_msg->shown)
                out << m.title + QStringLiteral(": ") + m.text;
            return out;
        }, &why);
        QVERIFY2(seen, qPrintable(why));
        const QStringList expected{QStringLiteral("writable: no"),
                                   QStringLiteral("run: %1").arg(int(tableinst::Stopped)),
                                   QString::fromUtf8("Error de Conección: ")
                                       + qav::dbErrorText(qav::ErrReadOnly, m_sb->dbFile)
                                       + QStringLiteral("\n 3027")};
        QCOMPARE(seen->join(u'\n'), expected.join(u'\n'));
        QCOMPARE(fileBytes(m_sb->dbFile), before);
        QFile::setPermissions(m_sb->dbFile, QFile::ReadOwner | QFile::WriteOwner);
    }

    // Another program writing in WAL mode holds the write lock: refused at open as locked,
    // not statement by statement.
    void lockedByWriterInWalMode()
    {
        qav::Database holder(QStringLiteral("holder"));
        QVERIFY(holder.open(m_sb->openOptions()));
        QVERIFY(holder.execute(QStringLiteral("BEGIN IMMEDIATE")));
        QVERIFY(holder.execute(QStringLiteral("INSERT INTO CLAVES VALUES ('X','X','0')")));
        QCOMPARE(Installer().run(), int(tableinst::Stopped));
        QCOMPARE(m_msg->shown.size(), 1);
        QCOMPARE(m_msg->shown[0].text, QStringLiteral(" 3051- Base de datos esta bloqueda"));
        QVERIFY(holder.execute(QStringLiteral("ROLLBACK")));
    }

    void lockedDatabase()
    {
        qav::Database holder(QStringLiteral("holder"));
        QVERIFY(holder.open(m_sb->openOptions()));
        QVERIFY(holder.execute(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")));
        QVERIFY(holder.execute(QStringLiteral("INSERT INTO CLAVES VALUES ('X','X','0')")));
        QCOMPARE(Installer().run(), int(tableinst::Stopped));
        QCOMPARE(m_msg->shown.size(), 1);
        QCOMPARE(m_msg->shown[0].text, QStringLiteral(" 3051- Base de datos esta bloqueda"));
        QCOMPARE(m_msg->shown[0].title, QString::fromUtf8("Error de Conección"));
    }

    // A table name taken by something else (here a stored query) is 3010: the question is
    // asked, and whatever the answer nothing is dropped and the run goes on. The key that
    // follows cannot be put on a stored query, which is reported as such.
    void tableExistsQuestion_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::newRow("default answer") << QList<int>{};
        QTest::newRow("answered Yes") << QList<int>{qav::AnsYes};
    }

    void tableExistsQuestion()
    {
        QFETCH(QList<int>, answers);
        m_msg->answers = answers;
        QVERIFY(db().execute(QStringLiteral("CREATE VIEW TMPF7093DES AS SELECT Numero AS tip_com FROM PARAM")));
        QCOMPARE(Installer().run(), int(tableinst::CompletedWithErrors));
        QCOMPARE(m_msg->shown.size(), 2);
        QCOMPARE(m_msg->shown[0].text, kQuestion);
        QCOMPARE(m_msg->shown[0].style, int(qav::MbYesNo | qav::MbQuestion | qav::MbDefaultButton2));
        QCOMPARE(m_msg->shown[0].title, QStringLiteral("Mensaje"));
        QCOMPARE(qav::defaultAnswer(m_msg->shown[0].style), int(qav::AnsNo));
        QCOMPARE(m_msg->shown[1].title, QStringLiteral("Error al Ejecutar Sentencia SQL"));
        QVERIFY(db().tableExists(QStringLiteral("F7093DES")));
        QVERIFY(db().tableExists(QStringLiteral("HF7093DES")));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='view' AND name='TMPF7093DES'")), 1);
    }

    void existingKeySkippedSilently()
    {
        // Index names are one namespace: PK_TMPF7093DES taken elsewhere is "key exists".
        QVERIFY(db().execute(QStringLiteral("CREATE INDEX PK_TMPF7093DES ON PARAM (Funcion)")));
        QCOMPARE(Installer().run(), int(tableinst::Completed));
        QVERIFY(m_msg->shown.isEmpty());
        QVERIFY(db().tableExists(QStringLiteral("TMPF7093DES")));
    }

    // Any other refused statement is shown with its number and text and skipped; the rest of
    // the run still happens, and the exit status says something failed. The row writes are
    // one: after the refusal, PARAM, reportes and envio_t hold what they held before.
    void refusedStatementShownAndSkipped()
    {
        QVERIFY(db().execute(QStringLiteral("INSERT INTO PARAM VALUES ('233','07','antes','')")));
        QVERIFY(db().execute(QStringLiteral(
            "CREATE TRIGGER no_reports BEFORE INSERT ON reportes BEGIN SELECT RAISE(ABORT, 'catalogo cerrado'); END")));
        const int paramsBefore = count(QStringLiteral("SELECT count(*) FROM PARAM"));
        QCOMPARE(Installer().run(), int(tableinst::CompletedWithErrors));
        QCOMPARE(m_msg->shown.size(), 4);
        const qav::Message kept = m_msg->shown.takeLast();
        QCOMPARE(kept.title, QStringLiteral("Mensaje"));
        QVERIFY(kept.text.startsWith(QString::fromUtf8("No se grabó ninguna fila")));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM PARAM")), paramsBefore);
        QCOMPARE(db().scalar(QStringLiteral("SELECT Funcion FROM PARAM WHERE Numero='233' AND Argumento='07'"))
                     .toString(),
                 QStringLiteral("antes"));
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM reportes")), 0);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM envio_t")), 0);
        for (const qav::Message &m : std::as_const(m_msg->shown)) {
            QCOMPARE(m.title, QStringLiteral("Error al Ejecutar Sentencia SQL"));
            QCOMPARE(m.style, int(qav::MbCritical));
            QVERIFY2(m.text.startsWith(QString::fromUtf8("Error Número : 9001\n")), qPrintable(m.text));
            QVERIFY(m.text.contains(QStringLiteral("catalogo cerrado")));
        }
        QVERIFY(db().tableExists(QStringLiteral("TMPF7093DES")));
    }

    void runStatementDirectly()
    {
        Installer inst;
        // Without an open database the statement is refused and shown.
        QVERIFY(!inst.RunStatement(QStringLiteral("SELECT 1")));
        QCOMPARE(m_msg->shown.size(), 1);
        QVERIFY(m_msg->shown[0].text.startsWith(QString::fromUtf8("Error Número : 9000\n")));
    }

    // The real program, without a display: messages on standard error, questions take their
    // default answer, and the exit status tells success from a stop.
    void programWithoutDisplay_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrText");
        QTest::newRow("success, arguments ignored") << "none" << 0 << "";
        QTest::newRow("no installation") << "nosyspath" << 1 << "Mensaje: Debe instalar primero el QAV \n";
        QTest::newRow("missing envdes.txt") << "noenvdes" << 1 << "%1tmp/envdes.txt";
        QTest::newRow("short line") << "short" << 1 << QString::fromUtf8("línea 1");
        QTest::newRow("3010 question answered No")
            << "view" << 2 << QStringLiteral("Mensaje: ") + kQuestion + u'\n';
        QTest::newRow("wrong account") << "account" << 1 << QString::fromUtf8("Error de Conección: ");
    }

    void programWithoutDisplay()
    {
        QFETCH(QString, setup);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrText);
        QVERIFY2(QFile::exists(tableinstPath()), qPrintable(tableinstPath()));
        if (setup == "nosyspath")
            QVERIFY(writeIni({QStringLiteral("[Options]"), QStringLiteral("DBName=qav.mdb")}));
        else if (setup == "noenvdes")
            QVERIFY(QFile::remove(m_sb->envdesFile()));
        else if (setup == "short")
            QVERIFY(m_sb->writeEnvdes({QStringLiteral("x|T1|D1|")}));
        else if (setup == "view")
            QVERIFY(db().execute(QStringLiteral("CREATE VIEW TMPF7093DES AS SELECT 1 AS x")));
        else if (setup == "account")
            QVERIFY(qav::writeWorkgroupFile(m_sb->workgroupFile(), QStringLiteral("otracuen"), qav::modulePassword()));
        m_db.reset(); // the program gets the file to itself
        QString err;
        QCOMPARE(runProgram(&err, {QStringLiteral("--cualquier"), QStringLiteral("cosa")}), exitCode);
        if (stderrText.isEmpty())
            QCOMPARE(err, QString());
        else if (setup == "nosyspath")
            QCOMPARE(err, stderrText);
        else
            QVERIFY2(err.contains(stderrText.contains(u'%') ? stderrText.arg(m_sb->sysPath) : stderrText),
                     qPrintable(err));
        if (setup != "account")
            QCOMPARE(db().tableExists(QStringLiteral("F7093DES")), exitCode != 1);
    }
};

QTEST_GUILESS_MAIN(TestTableInst)
#include "tst_tableinst.moc"
