// The host's table definitions and the sandbox installation built on them.

#include "common/db/database.h"
#include "common/settings/profile.h"
#include "common/text/textfile.h"
#include "schema/hostschema.h"
#include "tests/support/sandbox.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlRecord>
#include <QtTest>

class TestHostSchema : public QObject
{
    Q_OBJECT

private:
    static QStringList columns(qav::Database &db, const QString &table)
    {
        QStringList out;
        for (const QSqlRecord &r : db.rows(QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"),
                                           {table}))
            out << r.value(0).toString();
        return out;
    }

private slots:
    void sandboxLayout()
    {
        qavtest::Sandbox sb;
        QString why;
        QVERIFY2(sb.create(&why), qPrintable(why));
        QCOMPARE(qEnvironmentVariable("QAV_WINDIR"), sb.windir);
        QVERIFY(sb.sysPath.endsWith(u'/'));
        for (const QString &dir : {QStringLiteral("RPT"), QStringLiteral("TMP"), QStringLiteral("tmp")})
            QVERIFY2(QFileInfo(sb.sysPath + dir).isDir(), qPrintable(dir));
        QCOMPARE(qav::readProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("SysPath")),
                 sb.sysPath);
        QCOMPARE(qav::readProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("DBPath")),
                 sb.sysPath);
        QCOMPARE(qav::readProfileString(QStringLiteral("PM000.INI"), QStringLiteral("Options"),
                                        QStringLiteral("DBName")),
                 QStringLiteral("qav.mdb"));
        QStringList envdes;
        QVERIFY(qav::readTextLines(sb.envdesFile(), &envdes));
        QCOMPARE(envdes, qavtest::Sandbox::defaultEnvdesLines());

        qav::Database db(QStringLiteral("t"));
        QVERIFY2(db.open(sb.openOptions()), qPrintable(db.lastError().text));
        QStringList upper;
        for (const QString &t : db.tables())
            upper << t.toUpper();
        upper.sort();
        QCOMPARE(upper, (QStringList{"CAB", "CLAVES", "CONT", "DET", "ENVIO_T", "ERROR", "HCAB",
                                     "HDET", "PARAM", "REPORTES", "SPOOL"}));
    }

    void sandboxRestoresWindir()
    {
        qputenv("QAV_WINDIR", "/before");
        {
            qavtest::Sandbox sb;
            QVERIFY(sb.create());
            QCOMPARE(qEnvironmentVariable("QAV_WINDIR"), sb.windir);
        }
        QCOMPARE(qEnvironmentVariable("QAV_WINDIR"), QStringLiteral("/before"));
        qunsetenv("QAV_WINDIR");
    }

    // Positions other code depends on: the taxpayer list reads CONT by position, control
    // values sum the leading key columns and leave out the last one, reportes and envio_t
    // are written positionally.
    void columnOrder_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("CAB") << "CAB"
                             << QStringList{"TIP_DOC_D", "DOC_ID_D", "PERIODO", "FORMULARIO", "SEMANA",
                                            "estado", "RECTIFICA", "fec_pro", "nrocheque", "cNumero"};
        QTest::newRow("HCAB") << "HCAB"
                              << QStringList{"TIP_DOC_D", "DOC_ID_D", "PERIODO", "FORMULARIO", "SEMANA",
                                             "CORREL", "NORDEN", "FEC_ENV", "CONTROL", "estado",
                                             "RECTIFICA", "nrocheque", "cNumero"};
        QTest::newRow("PARAM") << "PARAM"
                               << QStringList{"Numero", "Argumento", "Funcion", "Correl_Param"};
        QTest::newRow("envio_t") << "envio_t"
                                 << QStringList{"formulario", "tabla_o", "tabla_d", "tabla_ext",
                                                "indice", "obliga", "c_tip_doc_d", "c_doc_id_d",
                                                "c_Formulario", "c_periodo", "c_estado", "c_envio",
                                                "c_semana"};
        QTest::newRow("SPOOL") << "SPOOL"
                               << QStringList{"CodRep", "Secuencia", "Archivo", "Fecha", "Usuario",
                                              "tip_doc_d", "Doc_id_d"};
    }

    void columnOrder()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, expected);
        qavtest::Sandbox sb;
        QVERIFY(sb.create());
        qav::Database db(QStringLiteral("t"));
        QVERIFY(db.open(sb.openOptions()));
        QCOMPARE(columns(db, table), expected);
    }

    void contAndReportesPositions()
    {
        qavtest::Sandbox sb;
        QVERIFY(sb.create());
        qav::Database db(QStringLiteral("t"));
        QVERIFY(db.open(sb.openOptions()));
        const QStringList cont = columns(db, QStringLiteral("CONT"));
        QCOMPARE(cont.value(0), QStringLiteral("Tip_doc_d"));
        QCOMPARE(cont.value(1), QStringLiteral("Doc_id_d"));
        QCOMPARE(cont.value(3), QStringLiteral("Nombre"));
        QVERIFY(cont.contains(QStringLiteral("Usuario")));
        QCOMPARE(columns(db, QStringLiteral("reportes")).size(), 3);
        QVERIFY(db.execute(QStringLiteral("INSERT INTO reportes VALUES (?,?,?)"),
                           {QStringLiteral("DE0001"), QStringLiteral("x"), 1}));
    }

    // Keys the host has: a repeated key is 3022; the spool's file name has none, so two
    // registrations that obtained the same number both stay.
    void keys_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("params");
        QTest::addColumn<int>("second");
        QTest::newRow("CAB key") << "INSERT INTO CAB (TIP_DOC_D,DOC_ID_D,PERIODO,FORMULARIO,SEMANA,estado) "
                                    "VALUES (6,?,'2009','7093',0,?)"
                                 << QVariantList{"20100066603", 0} << int(qav::ErrDuplicateKey);
        QTest::newRow("PARAM key") << "INSERT INTO PARAM VALUES ('233',?,?,'')"
                                   << QVariantList{"01", "FACTURA"} << int(qav::ErrDuplicateKey);
        QTest::newRow("HCAB key") << "INSERT INTO HCAB (TIP_DOC_D,DOC_ID_D,PERIODO,FORMULARIO,SEMANA,CORREL) "
                                     "VALUES (6,?,'2009','7093',0,?)"
                                  << QVariantList{"20100066603", "001"} << int(qav::ErrDuplicateKey);
        QTest::newRow("SPOOL Archivo") << "INSERT INTO SPOOL (CodRep,Secuencia,Archivo) VALUES ('DE0001',?,?)"
                                       << QVariantList{"000001", "00000001.PRN"} << int(qav::ErrNone);
    }

    void keys()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, params);
        QFETCH(int, second);
        qavtest::Sandbox sb;
        QVERIFY(sb.create());
        qav::Database db(QStringLiteral("t"));
        QVERIFY(db.open(sb.openOptions()));
        QVERIFY2(db.execute(sql, params), qPrintable(db.lastError().text));
        QCOMPARE(db.execute(sql, params), second == qav::ErrNone);
        QCOMPARE(db.lastError().number, second);
    }

    void createTwiceFailsAndLeavesFile()
    {
        qavtest::Sandbox sb;
        QVERIFY(sb.create());
        qav::Database db(QStringLiteral("t"));
        QVERIFY(db.open(sb.openOptions()));
        QVERIFY(db.execute(QStringLiteral("INSERT INTO PARAM VALUES ('044','6','x','')")));
        QString why;
        QVERIFY(!qav::createHostTables(db, &why));
        QVERIFY(why.contains(QStringLiteral("3010")));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM PARAM")).toInt(), 1);
        QCOMPARE(db.tables().size(), 11);
    }
};

QTEST_GUILESS_MAIN(TestHostSchema)
#include "tst_hostschema.moc"
