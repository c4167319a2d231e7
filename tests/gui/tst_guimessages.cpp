// The message boxes of the programs with a window: Spanish buttons in the order and with
// the default the style asks for, the answer of each button, and Qt's own dialogs in
// Spanish once the translation is loaded.

#include "common/gui/guimessages.h"
#include "common/gui/spanish.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

struct Seen {
    QStringList buttons; // in the box's layout order
    QString defaultButton;
    QString title;
    QString text;
};

// Shows a message and, once the box is up, records it and presses the button captioned
// `press` (Escape when empty).
int showAndPress(const qav::Message &m, const QString &press, Seen *seen)
{
    QTimer::singleShot(0, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen->title = box->windowTitle();
        seen->text = box->text();
        QList<QAbstractButton *> buttons =
            box->findChild<QDialogButtonBox *>()->buttons();
        // The button box lays the buttons out by role; compare them in the order they show.
        std::sort(buttons.begin(), buttons.end(), [](QAbstractButton *a, QAbstractButton *b) {
            return a->x() < b->x();
        });
        for (QAbstractButton *b : buttons)
            seen->buttons << b->text();
        if (box->defaultButton())
            seen->defaultButton = box->defaultButton()->text();
        for (QAbstractButton *b : buttons)
            if (b->text() == press) {
                b->click();
                return;
            }
        QTest::keyClick(box, Qt::Key_Escape);
    });
    qav::GuiMessageService service;
    return service.show(m);
}

} // namespace

class TestGuiMessages : public QObject
{
    Q_OBJECT

private slots:
    void buttons_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("defaultButton");
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("answer");
        QTest::newRow("OK") << 0 << QStringList{"Aceptar"} << "Aceptar" << "Aceptar" << 1;
        QTest::newRow("OK with icon, Escape") << (0 | 16) << QStringList{"Aceptar"} << "Aceptar" << ""
                                              << 1;
        QTest::newRow("OK/Cancel, Cancel") << 1 << QStringList{"Aceptar", "Cancelar"} << "Aceptar"
                                           << "Cancelar" << 2;
        QTest::newRow("OK/Cancel, second default, Escape")
            << (1 | 256) << QStringList{"Aceptar", "Cancelar"} << "Cancelar" << "" << 2;
        QTest::newRow("Yes/No, Yes") << (4 | 32) << QStringList{"Sí", "No"} << "Sí" << "Sí" << 6;
        QTest::newRow("Yes/No, No the default, No")
            << (4 | 32 | 256) << QStringList{"Sí", "No"} << "No" << "No" << 7;
        QTest::newRow("Yes/No/Cancel, Cancel") << (3 | 48) << QStringList{"Sí", "No", "Cancelar"}
                                               << "Sí" << "Cancelar" << 2;
        QTest::newRow("Yes/No/Cancel, Escape") << 3 << QStringList{"Sí", "No", "Cancelar"} << "Sí"
                                               << "" << 2;
    }

    void buttons()
    {
        QFETCH(int, style);
        QFETCH(QStringList, buttons);
        QFETCH(QString, defaultButton);
        QFETCH(QString, press);
        QFETCH(int, answer);
        Seen seen;
        const int got = showAndPress({QStringLiteral("¿Desea grabar?"), style, QStringLiteral("Mensaje")},
                                     press, &seen);
        QCOMPARE(seen.title, QStringLiteral("Mensaje"));
        QCOMPARE(seen.text, QStringLiteral("¿Desea grabar?"));
        QStringList sortedSeen = seen.buttons, sortedWanted = buttons;
        sortedSeen.sort();
        sortedWanted.sort();
        QCOMPARE(sortedSeen, sortedWanted);
        QCOMPARE(seen.defaultButton, defaultButton);
        QCOMPARE(got, answer);
    }

    // Qt's own buttons and dialogs speak Spanish once the system's translation is loaded.
    void qtDialogsInSpanish()
    {
        if (!QFileInfo::exists(qav::qtTranslationsFolder() + QStringLiteral("/qtbase_es.qm")))
            QSKIP("the system has no Spanish translation of Qt (qt6-translations-l10n)");
        QVERIFY(qav::installSpanishTranslation(qApp));
        QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text().remove(u'&'),
                 QStringLiteral("Cancelar"));
        QCOMPARE(box.button(QDialogButtonBox::Open)->text().remove(u'&'), QStringLiteral("Abrir"));
        QFileDialog chooser;
        chooser.setOption(QFileDialog::DontUseNativeDialog);
        const auto *lookIn = chooser.findChild<QLabel *>(QStringLiteral("lookInLabel"));
        QVERIFY(lookIn);
        QVERIFY2(!lookIn->text().contains(QStringLiteral("Look in")), qPrintable(lookIn->text()));
    }
};

QTEST_MAIN(TestGuiMessages)
#include "tst_guimessages.moc"
