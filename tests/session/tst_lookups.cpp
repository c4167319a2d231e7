// The session user's type, the taxpayer query and the taxpayer list built from it.

#include "declmod/session/listhelpers.h"
#include "declmod/session/lookups.h"
#include "declmod/session/session.h"

#include "common/ui/messages.h"
#include "tests/support/sandbox.h"

#include <QComboBox>
#include <QSqlQuery>
#include <QtTest>

using namespace declmod;

namespace {

// A RUC entry of table "044" with the given length digits (46-47) and rule (130).
QString rucEntry(const QString &length, QChar rule)
{
    QString f = QStringLiteral("REG. UNICO DE CONTRIBUYENTES").leftJustified(45, u' ');
    f += length;
    f = f.leftJustified(129, u' ');
    f += rule;
    return f;
}

const QString kSelect = QStringLiteral(" SELECT * FROM CONT ");
const QString kWhere = QStringLiteral(" WHERE Tip_doc_d=6 ");
const QString kLength = QStringLiteral(" AND len(trim(Doc_id_d))=11 ");
const QString kOrderAll = QStringLiteral(" ORDER BY Tip_doc_d, doc_id_d ");

const QString kOwnOnly = QStringLiteral(" AND Usuario =? Order by Tip_doc_d, doc_id_d ");

} // namespace

class TestLookups : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;
    std::shared_ptr<qav::ScriptedMessageService> m_msgs;

    Session &s() { return session(); }

    void addTaxpayer(int type, const QString &number, const QString &name, const QString &user)
    {
        QVERIFY(s().Db.insert("CONT", {{"Tip_doc_d", type}, {"Doc_id_d", number},
                                       {"Nombre", name}, {"Usuario", user}}));
    }
    void setUserType(const QString &user, const QString &type)
    {
        QVERIFY(s().Db.insert("CLAVES", {{"Usuario", user}, {"Tipo", type}}));
    }
    void setRucEntry(const QString &funcion)
    {
        QVERIFY(s().Db.insert("PARAM", {{"Numero", "044"}, {"Argumento", "6"},
                                        {"Funcion", funcion}, {"Correl_Param", ""}}));
    }
    QStringList itemsOf(const QComboBox &list)
    {
        QStringList out;
        for (int i = 0; i < list.count(); ++i)
            out << list.itemText(i);
        return out;
    }

private slots:
    void init()
    {
        m_sb = std::make_unique<qavtest::Sandbox>();
        QString why;
        QVERIFY2(m_sb->create(&why), qPrintable(why));
        QVERIFY(s().Db.open(m_sb->openOptions()));
        s().SysUser = QStringLiteral("USUARIO1");
        s().FormNumber = QStringLiteral("7093");
        m_msgs = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(m_msgs);
    }

    void cleanup()
    {
        s().Db.close();
        qav::setMessageService(nullptr);
        m_sb.reset();
    }

    void userType_data()
    {
        QTest::addColumn<QString>("storedUser");
        QTest::addColumn<QString>("storedType");
        QTest::addColumn<QString>("expected");
        QTest::newRow("type 0") << "USUARIO1" << "0" << "0";
        QTest::newRow("type 1") << "USUARIO1" << "1" << "1";
        QTest::newRow("no row: ordinary") << "OTRO" << "0" << "1";
        QTest::newRow("name in another case") << "usuario1" << "0" << "0";
        QTest::newRow("name with other letters") << "USUARIO11" << "0" << "1";
    }

    void userType()
    {
        QFETCH(QString, storedUser);
        QFETCH(QString, storedType);
        QFETCH(QString, expected);
        setUserType(storedUser, storedType);
        QCOMPARE(GetUserType(s().Db, "USUARIO1"), expected);
    }

    void taxpayerQuery_data()
    {
        QTest::addColumn<QString>("userType"); // empty: no CLAVES row
        QTest::addColumn<QString>("entry");    // null: no "044" row
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QVariantList>("params");
        const QString exact = rucEntry("11", u'1');
        const QString notExact = rucEntry("11", u'0');
        const QVariantList none;
        const QVariantList user{QStringLiteral("USUARIO1")};
        QTest::newRow("type 0, default entry")
            << "0" << QString() << kSelect + kWhere + kOrderAll << none;
        QTest::newRow("type 0, entry without exact length")
            << "0" << notExact << kSelect + kWhere + kOrderAll << none;
        QTest::newRow("type 0, exact length")
            << "0" << exact << kSelect + kWhere + kLength + kOrderAll << none;
        QTest::newRow("ordinary, exact length")
            << "1" << exact << kSelect + kWhere + kLength + kOwnOnly << user;
        QTest::newRow("ordinary, default entry")
            << "1" << QString() << kSelect + kWhere + kOwnOnly << user;
        QTest::newRow("no CLAVES row, exact length")
            << "" << exact << kSelect + kWhere + kLength + kOwnOnly << user;
        QTest::newRow("other length digits")
            << "0" << rucEntry("08", u'1') << kSelect + kWhere + kOrderAll << none;
    }

    void taxpayerQuery()
    {
        QFETCH(QString, userType);
        QFETCH(QString, entry);
        QFETCH(QString, expected);
        QFETCH(QVariantList, params);
        if (!userType.isEmpty())
            setUserType("USUARIO1", userType);
        if (!entry.isNull())
            setRucEntry(entry);
        const SqlStatement statement = BuildTaxpayerQuery(s().Db, "7093", "USUARIO1");
        QCOMPARE(statement.sql, expected);
        QCOMPARE(statement.params, params);
        // The statement runs as it stands on the database.
        QSqlQuery q;
        QVERIFY2(s().Db.select(&q, statement.sql, statement.params),
                 qPrintable(s().Db.lastError().text));
    }

    // A quote in the user name stays inside the bound value: the statement is the same
    // text for every name and lists that user's taxpayers and nobody else's.
    void quoteInUserNameCannotChangeTheStatement_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("apostrophe") << "O'BRIEN" << QStringList{"20100000002  DE OBRIEN"};
        QTest::newRow("break-out attempt") << "x' OR '1'='1" << QStringList{};
        QTest::newRow("comment attempt") << "x'--" << QStringList{};
    }

    void quoteInUserNameCannotChangeTheStatement()
    {
        QFETCH(QString, user);
        QFETCH(QStringList, items);
        addTaxpayer(6, "20100000001", "DE USUARIO1", "USUARIO1");
        addTaxpayer(6, "20100000002", "DE OBRIEN", "O'BRIEN");
        const SqlStatement statement = BuildTaxpayerQuery(s().Db, "7093", user);
        QCOMPARE(statement.sql, kSelect + kWhere + kOwnOnly);
        QCOMPARE(statement.params, QVariantList{user});
        QList<TaxpayerRow> rows;
        QVERIFY2(readTaxpayers(s().Db, "7093", user, &rows), qPrintable(s().Db.lastError().text));
        QStringList got;
        for (const TaxpayerRow &row : rows)
            got << taxpayerListItem(row);
        QCOMPARE(got, items);
    }

    void taxpayerList_data()
    {
        QTest::addColumn<QString>("userType");
        QTest::addColumn<bool>("exactLength");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("ordinary user") << "1" << false
            << QStringList{"12345678     PERSONA CON DNI", "20123456789  EMPRESA UNO SAC"};
        QTest::newRow("ordinary user, exact length") << "1" << true
            << QStringList{"20123456789  EMPRESA UNO SAC"};
        QTest::newRow("type 0 sees every RUC taxpayer") << "0" << false
            << QStringList{"12345678     PERSONA CON DNI", "20123456789  EMPRESA UNO SAC",
                           "20999999999  DE OTRO USUARIO"};
    }

    // Items: an 8-character number, 5 spaces and the name; an 11-character one, 2 spaces.
    void taxpayerList()
    {
        QFETCH(QString, userType);
        QFETCH(bool, exactLength);
        QFETCH(QStringList, items);
        setUserType("USUARIO1", userType);
        if (exactLength)
            setRucEntry(rucEntry("11", u'1'));
        addTaxpayer(6, "20123456789", "EMPRESA UNO SAC", "USUARIO1");
        addTaxpayer(6, "12345678", "PERSONA CON DNI", "USUARIO1");
        addTaxpayer(6, "20999999999", "DE OTRO USUARIO", "OTRO");
        addTaxpayer(1, "87654321", "OTRO TIPO DE DOCUMENTO", "USUARIO1");
        QComboBox list;
        list.addItem("ya estaba");
        QVERIFY(LlenaContribuyentes(&list));
        QCOMPARE(itemsOf(list), QStringList{"ya estaba"} + items);
        QVERIFY(m_msgs->shown.isEmpty());
    }

    void taxpayerListWithoutTable()
    {
        QVERIFY(s().Db.execute("DROP TABLE CONT"));
        QComboBox list;
        QVERIFY(!LlenaContribuyentes(&list));
        QCOMPARE(list.count(), 0);
        QCOMPARE(m_msgs->shown.size(), 1);
        QCOMPARE(m_msgs->shown[0].icon(), 16);
    }
};

QTEST_MAIN(TestLookups)
#include "tst_lookups.moc"
