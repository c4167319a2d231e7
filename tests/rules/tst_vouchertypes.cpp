// The voucher types the import accepts: the reference rows of table "233" exactly as
// installed, and the lookup in PARAM through QtSql (only rows of table "233" with "1" at
// position 67 of Funcion; stored text never changes the statement).

#include "declmod/import/vouchertypes.h"

#include "common/param/referencerows.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class TestVoucherTypes : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void referenceRows()
    {
        const auto rows = qav::referenceVoucherTypeRows();
        QCOMPARE(rows.size(), 8);
        const QStringList descriptions{"FACTURA",
                                       "BOLETA DE VENTA",
                                       "CARTA DE PORTE AEREO",
                                       "NOTA DE CREDITO",
                                       "NOTA DE DEBITO",
                                       "TICKET DE MAQUINA REGISTRADORA",
                                       "BOLETO DE VIAJE-TRANSPORTE INTERPROVINCIAL",
                                       "OTROS"};
        const QStringList codes{"01", "03", "06", "07", "08", "12", "16", "99"};
        const QStringList abbreviations{"FACT", "BOLE", "PORT", "CRED", "DEBI", "TICK", "PROV", "OTRO"};
        for (int i = 0; i < rows.size(); ++i) {
            const QString &code = rows[i].first;
            const QString &funcion = rows[i].second;
            QCOMPARE(code, codes[i]);
            QCOMPARE(funcion.size(), (code == u"07" || code == u"99") ? 68 : 67);
            QCOMPARE(funcion.mid(66, 1), QStringLiteral("1"));
            QCOMPARE(funcion.left(46), descriptions[i].leftJustified(46));
            QCOMPARE(funcion.mid(56, 4), abbreviations[i]);
            QVERIFY(funcion[46] != u' ');
        }
        QCOMPARE(rows[0].second,
                 QStringLiteral("FACTURA                                       10100 0 1 FACT 011111"));
        QCOMPARE(rows[3].second.mid(46),
                 QStringLiteral("00001 1 1 CRED 1111011"));
        QCOMPARE(rows[1].second.mid(46), QStringLiteral("00100 0 1 BOLE 001  1"));
    }

    void fromDatabase()
    {
        const QString file = m_dir.filePath(QStringLiteral("param.db"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("w"));
            db.setDatabaseName(file);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE PARAM (Numero TEXT, Argumento TEXT, "
                                          "Funcion TEXT, Correl_Param TEXT)")));
            auto put = [&](const QString &numero, const QString &argumento, const QString &funcion) {
                QSqlQuery ins(db);
                ins.prepare(QStringLiteral("INSERT INTO PARAM VALUES (?, ?, ?, '')"));
                ins.addBindValue(numero);
                ins.addBindValue(argumento);
                ins.addBindValue(funcion);
                QVERIFY2(ins.exec(), qPrintable(ins.lastError().text()));
            };
            const QString allowed = QString(66, u' ') + u'1';
            const QString barred = QString(66, u' ') + u'0';
            put("233", "01", allowed);
            put("233", "02", barred);
            put("233", "05", QString(60, u' '));         // too short for position 67
            put("233", "0'", allowed + u'1');            // a quote in stored text
            put("234", "03", allowed);                   // another table
            put("233", "Ñ1", QStringLiteral("É") + allowed.mid(1)); // position counts characters
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("w"));

        QStringList codes;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("r"));
            db.setDatabaseName(file);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            QVERIFY(db.open());
            QString error;
            QVERIFY2(declmod::ParamVoucherTypes(db).codes(&codes, &error), qPrintable(error));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("r"));
        codes.sort();
        QCOMPARE(codes, (QStringList{"0'", "01", "Ñ1"}));

        const declmod::VoucherTypeSet set(codes);
        QVERIFY(set.contains("01"));
        QVERIFY(set.contains("0'"));
        QVERIFY(set.contains("\xd1" "1"));
        QVERIFY(!set.contains("02"));
    }

    void databaseWithoutParam()
    {
        const QString file = m_dir.filePath(QStringLiteral("empty.db"));
        QStringList codes{"x"};
        QString error;
        bool ok = true;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("e"));
            db.setDatabaseName(file);
            QVERIFY(db.open());
            ok = declmod::ParamVoucherTypes(db).codes(&codes, &error);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("e"));
        QVERIFY(!ok);
        QVERIFY(!error.isEmpty());
        QVERIFY(codes.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestVoucherTypes)
#include "tst_vouchertypes.moc"
