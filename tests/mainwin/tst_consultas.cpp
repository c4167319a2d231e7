// The consultation window over a sandbox database, and the about window.

#include "declmod/mainwin/frmacercade.h"
#include "declmod/mainwin/frmbancos.h"
#include "declmod/session/session.h"

#include "common/ui/messages.h"
#include "tests/support/sandbox.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

// A Funcion text with `description` in 1-46 and `flag67` at position 67.
QString voucherFuncion(const QString &description, QChar flag67)
{
    QString f = description.leftJustified(46, ' ');
    f += QStringLiteral("00000 0 0 ");            // 47-56
    f += QStringLiteral("FACT ");                 // 57-61
    f += QStringLiteral("00000");                 // 62-66
    f += flag67;                                  // 67
    f += QStringLiteral("0000");
    return f;
}

QStringList gridRows(const QTableView *grid)
{
    QStringList rows;
    const QAbstractItemModel *m = grid->model();
    for (int r = 0; r < m->rowCount(); ++r)
        rows << m->index(r, 0).data().toString() + "|" + m->index(r, 1).data().toString();
    return rows;
}

QStringList headers(const QTableView *grid)
{
    QStringList h;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        h << grid->model()->headerData(c, Qt::Horizontal).toString();
    return h;
}

} // namespace

class TestConsultas : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;
    std::shared_ptr<qav::ScriptedMessageService> m_messages;

    bool addParam(const QString &numero, const QString &argumento, const QString &funcion)
    {
        return declmod::session().Db.insert(QStringLiteral("PARAM"),
                                            {{"Numero", numero}, {"Argumento", argumento},
                                             {"Funcion", funcion}, {"Correl_Param", QString()}});
    }

private slots:
    void init()
    {
        m_messages = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(m_messages);
        m_sb = std::make_unique<qavtest::Sandbox>();
        QString why;
        QVERIFY2(m_sb->create(&why), qPrintable(why));
        declmod::Session &s = declmod::session();
        s.Db.close();
        QVERIFY(s.Db.open(m_sb->openOptions()));
        QVERIFY(s.Db.execute(QStringLiteral("DELETE FROM PARAM")));
    }

    void cleanup()
    {
        declmod::session().Db.close();
        m_sb.reset();
    }

    void consultations_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QStringList>("rows");

        const QString abogado = QStringLiteral("ABOGADO");
        const QString contador = QStringLiteral("CONTADOR PUBLICO COLEGIADO Y AUDITOR DE SISTEMAS").left(36);
        QTest::newRow("professions") << 1 << "Consulta de Profesiones"
                                     << QStringList{"Código", "Descripción"}
                                     << QStringList{"01|" + abogado, "02|" + contador};
        QTest::newRow("voucher types") << 2 << "Consulta de Comprobantes a Informar"
                                       << QStringList{"Código", "Descripción"}
                                       << QStringList{"01|" + QStringLiteral("FACTURA").leftJustified(36, ' '),
                                                      "07|" + QStringLiteral("NOTA DE CREDITO").leftJustified(36, ' ')};
        QTest::newRow("UIT") << 3 << "Consulta de UIT" << QStringList{"Fecha", "Valor"}
                             << QStringList{"01/01/2010|3,600", "01/01/2009|3,550", "31/12/2007|3,450",
                                            "15/06/1999|2,800"};
    }

    void consultations()
    {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QFETCH(QStringList, columns);
        QFETCH(QStringList, rows);

        // Professions: "00" is never listed; a key stored with blanks is compared trimmed.
        QVERIFY(addParam("979", "00", "NINGUNA"));
        QVERIFY(addParam("979", "01", "ABOGADO"));
        QVERIFY(addParam("979", "02", "CONTADOR PUBLICO COLEGIADO Y AUDITOR DE SISTEMAS"));
        QVERIFY(addParam("979", "00 ", "OTRA NINGUNA"));
        // Voucher types: only those with "1" at 67.
        QVERIFY(addParam("233", "01", voucherFuncion("FACTURA", '1')));
        QVERIFY(addParam("233", "05", voucherFuncion("BOLETO AEREO", '0')));
        QVERIFY(addParam("233", "07", voucherFuncion("NOTA DE CREDITO", '1')));
        QVERIFY(addParam("233", "50", QStringLiteral("DECLARACION UNICA DE ADUANAS")));
        // UIT values by date, stored in no particular order.
        QVERIFY(addParam("404", "20090101", "3550"));
        QVERIFY(addParam("404", "19990615", "2800"));
        QVERIFY(addParam("404", "20100101", " 3600 "));
        QVERIFY(addParam("404", "20071231", "3450.00"));
        // Another table that must not show.
        QVERIFY(addParam("044", "6", "REG. UNICO DE CONTRIBUYENTES"));

        declmod::session().QueryKind = kind;
        declmod::frmBancos frm;
        QCOMPARE(frm.windowTitle(), caption);
        QTableView *grid = frm.findChild<QTableView *>("grdBancos");
        QVERIFY(grid);
        QCOMPARE(grid, frm.grid());
        QCOMPARE(headers(grid), columns);
        QCOMPARE(gridRows(grid), rows);
        QVERIFY(grid->isEnabled());
        QCOMPARE(grid->currentIndex().row(), 0);
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(m_messages->shown.isEmpty());
    }

    void emptyParameterTable_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("professions") << 1;
        QTest::newRow("voucher types") << 2;
        QTest::newRow("UIT") << 3;
    }

    // Nothing to list: the grid is disabled and "&Salir" still closes the window.
    void emptyParameterTable()
    {
        QFETCH(int, kind);
        declmod::session().QueryKind = kind;
        declmod::frmBancos frm;
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        QCOMPARE(frm.grid()->model()->rowCount(), 0);
        QVERIFY(!frm.grid()->isEnabled());
        QVERIFY(m_messages->shown.isEmpty());
        auto *salir = frm.findChild<QPushButton *>("CmdSalir");
        QVERIFY(salir);
        QCOMPARE(salir->text(), QStringLiteral("&Salir"));
        QVERIFY(salir->isEnabled());
        salir->click();
        QVERIFY(!frm.isVisible());
    }

    // Coming back to the window lists the table as it stands, on the row the operator was
    // on; a grid left disabled (nothing to list) is not read again.
    void activationReadsTheListAgain()
    {
        QVERIFY(addParam("979", "01", "ABOGADO"));
        QVERIFY(addParam("979", "02", "CONTADOR"));
        declmod::session().QueryKind = 1;
        declmod::frmBancos frm;
        frm.grid()->setCurrentIndex(frm.grid()->model()->index(1, 0));
        QVERIFY(addParam("979", "03", "ECONOMISTA"));
        frm.rebind();
        QCOMPARE(gridRows(frm.grid()), (QStringList{"01|ABOGADO", "02|CONTADOR", "03|ECONOMISTA"}));
        QCOMPARE(headers(frm.grid()), (QStringList{"Código", "Descripción"}));
        QCOMPARE(frm.grid()->currentIndex().row(), 1);

        // Through the window's activation: the row removed meanwhile moves the current row
        // to the last one left.
        frm.grid()->setCurrentIndex(frm.grid()->model()->index(2, 0));
        QVERIFY(declmod::session().Db.execute(QStringLiteral("DELETE FROM PARAM WHERE Argumento='03'")));
        frm.show();
        frm.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frm));
        QTRY_COMPARE(frm.grid()->model()->rowCount(), 2);
        QCOMPARE(frm.grid()->currentIndex().row(), 1);

        QVERIFY(declmod::session().Db.execute(QStringLiteral("DELETE FROM PARAM")));
        declmod::frmBancos empty;
        QVERIFY(!empty.grid()->isEnabled());
        QVERIFY(addParam("979", "01", "ABOGADO"));
        empty.rebind();
        QCOMPARE(empty.grid()->model()->rowCount(), 0);
        QVERIFY(!empty.grid()->isEnabled());
    }

    void escapeCloses()
    {
        QVERIFY(addParam("979", "01", "ABOGADO"));
        declmod::session().QueryKind = 1;
        declmod::frmBancos frm;
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        frm.activateWindow();
        frm.grid()->setFocus();
        QTest::keyClick(frm.grid(), Qt::Key_Escape);
        QVERIFY(!frm.isVisible());
    }

    // A parameter table that cannot be read is reported, not shown as an empty list.
    void unreadableTableIsReported()
    {
        QVERIFY(declmod::session().Db.execute(QStringLiteral("DROP TABLE PARAM")));
        declmod::session().QueryKind = 2;
        declmod::frmBancos frm;
        QVERIFY(!frm.grid()->isEnabled());
        QCOMPARE(m_messages->shown.size(), 1);
        QCOMPARE(m_messages->shown.at(0).title, QStringLiteral("Consulta de Comprobantes a Informar"));
        QCOMPARE(m_messages->shown.at(0).icon(), int(qav::MbExclamation));
    }

    void aboutWindow()
    {
        declmod::frmAcercade frm;
        QCOMPARE(frm.windowTitle(), QStringLiteral("Acerca de QAV "));
        QStringList texts;
        for (QLabel *l : frm.findChildren<QLabel *>())
            if (!l->text().isEmpty())
                texts << l->text();
        QVERIFY(texts.contains(QStringLiteral("QAV")));
        QVERIFY(texts.contains(QStringLiteral("QAV  Detalle de Operaciones ")));
        auto *version = frm.findChild<QLineEdit *>("txtVersion");
        QVERIFY(version);
        QCOMPARE(version->text(), QStringLiteral("Versión 1.0"));
        QVERIFY(version->isReadOnly());

        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        auto *aceptar = frm.findChild<QPushButton *>("cmdAceptar");
        QVERIFY(aceptar);
        QCOMPARE(aceptar->text(), QStringLiteral("&Aceptar"));
        aceptar->click();
        QVERIFY(!frm.isVisible());
    }
};

QTEST_MAIN(TestConsultas)
#include "tst_consultas.moc"
