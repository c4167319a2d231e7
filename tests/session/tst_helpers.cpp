#include <QLabel>
// The shared input helpers and the status bar.

#include "declmod/session/listhelpers.h"
#include "declmod/session/qavstatbar.h"
#include "declmod/session/session.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace declmod;

class TestHelpers : public QObject
{
    Q_OBJECT

private slots:
    void buscaEnLista_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QList<int>>("changes");
        const QStringList types{"01     FACTURA", "03     BOLETA DE VENTA", "07     NOTA DE CREDITO"};
        QTest::newRow("match, from the last item") << types << 2 << "03" << 2 << 1 << QList<int>{0, 1};
        QTest::newRow("match at the first item") << types << 0 << "01" << 2 << 0 << QList<int>{};
        QTest::newRow("both sides trimmed") << types << 0 << " 07 " << 3 << 2 << QList<int>{1, 2};
        QTest::newRow("no match: last item stays") << types << 0 << "99" << 2 << 2 << QList<int>{1, 2};
        QTest::newRow("value longer than n") << types << 0 << "03     BOL" << 2 << 2 << QList<int>{1, 2};
        QTest::newRow("taxpayer by RUC")
            << QStringList{"12345678     PERSONA", "20123456789  EMPRESA"} << 0 << "20123456789" << 11
            << 1 << QList<int>{1};
    }

    // Each step selects an item, and each change raises the selection signal.
    void buscaEnLista()
    {
        QFETCH(QStringList, items);
        QFETCH(int, start);
        QFETCH(QString, value);
        QFETCH(int, n);
        QFETCH(int, selected);
        QFETCH(QList<int>, changes);
        QComboBox list;
        list.addItems(items);
        list.setCurrentIndex(start);
        QSignalSpy spy(&list, &QComboBox::currentIndexChanged);
        BuscaEnLista(&list, value, n);
        QCOMPARE(list.currentIndex(), selected);
        QList<int> seen;
        for (const QList<QVariant> &args : spy)
            seen << args.at(0).toInt();
        QCOMPARE(seen, changes);
    }

    void buscaEnListaOnEmptyList()
    {
        QComboBox list;
        BuscaEnLista(&list, "01", 2);
        QCOMPARE(list.currentIndex(), -1);
    }

    void dropDownWidth_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("characters"); // the width in characters of AnchoPromedio
        QTest::newRow("longest item decides") << QStringList{"01  A", "03     BOLETA DE VENTA", "x"} << 20;
        QTest::newRow("two characters: the list's own width") << QStringList{"ab", "c"} << 0;
        QTest::newRow("empty list") << QStringList{} << 0;
    }

    void dropDownWidth()
    {
        QFETCH(QStringList, items);
        QFETCH(int, characters);
        QWidget window;
        QComboBox list(&window);
        // An earlier width must not survive a list that needs none.
        list.view()->setMinimumWidth(500);
        list.addItems(items);
        const int average = AnchoPromedio(&window);
        QVERIFY(average > 0);
        AjustaLista(&window, &list);
        QCOMPARE(list.view()->minimumWidth(), characters * average);
    }

    void fixedDropDownWidth()
    {
        QWidget window;
        QComboBox list(&window);
        FijaAnchoLista(&window, &list, 42);
        QCOMPARE(list.view()->minimumWidth(), 40 * AnchoPromedio(&window));
        FijaAnchoLista(&window, &list, 1);
        QCOMPARE(list.view()->minimumWidth(), 0);
    }

    void enterTab_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("focused");
        QTest::newRow("TAB moves on") << "TAB" << 1;
        QTest::newRow("other action stays") << "ENTER" << 0;
        QTest::newRow("compared exactly") << "tab" << 0;
    }

    void enterTab()
    {
        QFETCH(QString, action);
        QFETCH(int, focused);
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        QLineEdit *fields[3];
        for (auto &f : fields)
            layout->addWidget(f = new QLineEdit(&window));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        fields[0]->setFocus();
        QTRY_VERIFY(fields[0]->hasFocus());
        EnterTab(fields[0], action);
        QTRY_VERIFY(fields[focused]->hasFocus());
        QVERIFY(fields[0]->text().isEmpty()); // the Tab is not typed into the field
    }

    void ubicaForm()
    {
        QWidget window;
        window.showMaximized();
        UbicaForm(&window, 1440, 720, 7320, 9555);
        QVERIFY(!(window.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)));
        const qreal dx = window.screen()->logicalDotsPerInchX();
        const qreal dy = window.screen()->logicalDotsPerInchY();
        QTRY_COMPARE(window.frameGeometry().topLeft(), QPoint(qRound(dx), qRound(dy / 2)));
        QCOMPARE(window.frameGeometry().size(),
                 QSize(qRound(9555 * dx / 1440), qRound(7320 * dy / 1440)));
    }

    void statusBarShowsEveryValue()
    {
        QMainWindow frame;
        auto *bar = new QAVStatBar(&frame);
        frame.setStatusBar(bar);
        QCOMPARE(session().StatusBar.data(), bar);
        MuestraEstado("20123456789", "EMPRESA UNO SAC", "2013", "7093");
        QCOMPARE(bar->esruc(), 1);
        QCOMPARE(bar->numdoc(), QStringLiteral("20123456789"));
        QCOMPARE(bar->razonsocial(), QStringLiteral("EMPRESA UNO SAC"));
        QCOMPARE(bar->periodo_ejercicio(), QStringLiteral("2013"));
        QCOMPARE(bar->formulario(), QStringLiteral("7093"));
        QCOMPARE(bar->numdocText(), QStringLiteral("RUC: 20123456789"));
        QCOMPARE(bar->razonsocialText(), QStringLiteral("Razón Social: EMPRESA UNO SAC"));
        QCOMPARE(bar->periodoText(), QStringLiteral("Ejercicio: 2013"));
        QCOMPARE(bar->formularioText(), QStringLiteral("Formulario: 7093"));
        // Also through the property system, as the host's control is written.
        QVERIFY(bar->setProperty("razonsocial", "OTRA"));
        QCOMPARE(bar->razonsocialText(), QStringLiteral("Razón Social: OTRA"));
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QList<QLabel *> panels = bar->findChildren<QLabel *>();
        QCOMPARE(panels.size(), 4);
        for (QLabel *panel : panels)
            QVERIFY2(panel->isVisible(), qPrintable(panel->objectName()));
    }

    void statusRoutineWithoutStatusBar()
    {
        { QAVStatBar gone; }
        QVERIFY(!session().StatusBar);
        MuestraEstado("1", "2", "3", "4"); // nothing to write to: nothing happens
    }
};

QTEST_MAIN(TestHelpers)
#include "tst_helpers.moc"
