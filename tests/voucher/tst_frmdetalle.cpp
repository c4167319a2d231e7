// The voucher dialog frmDetalle driven through its window over a sandbox database: keys
// typed into its fields, leaving fields, the checks before saving with their messages and
// focus, the records written into the session's working table, modify and view modes, and
// Salir's question.

#include "declmod/declaration/recorddialogs.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/session.h"
#include "declmod/voucher/frmdetalle.h"
#include "declmod/voucher/seriesrules.h"

#include "common/ui/messages.h"
#include "tests/support/sandbox.h"
#include "tests/support/textentry.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QtTest>

using declmod::frmDetalle;
using declmod::VoucherRecord;

namespace {

// A Funcion text with `description` in 1-46 and `flag67` at position 67.
QString voucherFuncion(const QString &description, QChar flag67)
{
    return description.leftJustified(66, ' ') + flag67 + QStringLiteral("0000");
}

// The declaration form as the dialog sees it: the current record and the two routines.
class FakeForm : public declmod::DetailGridHost
{
public:
    std::optional<VoucherRecord> current;
    int refreshes = 0;
    int sums = 0;
    void refrescargrid() override { ++refreshes; }
    void SumaTotal() override { ++sums; }
    std::optional<VoucherRecord> currentRecord() const override { return current; }
};

QString row(const QSqlRecord &r)
{
    QStringList parts;
    for (const char *c : {"tip_com", "num_ser", "per_tri", "tot_ven", "tot_gra"})
        parts << r.value(QString::fromLatin1(c)).toString();
    return parts.join(u'|');
}

} // namespace

class TestFrmDetalle : public QObject
{
    Q_OBJECT

    std::unique_ptr<qavtest::Sandbox> m_sb;
    std::shared_ptr<qav::ScriptedMessageService> m_messages;
    declmod::HostServices m_host;
    FakeForm m_form;

    declmod::Session &s() { return declmod::session(); }

    QStringList workingRows()
    {
        QStringList out;
        for (const QSqlRecord &r : s().Db.rows(QStringLiteral(
                 "SELECT * FROM tmpf7093des ORDER BY tip_com, num_ser, per_tri")))
            out << row(r);
        return out;
    }

    QStringList shownTexts() const
    {
        QStringList out;
        for (const qav::Message &m : m_messages->shown)
            out << m.text;
        return out;
    }

    static QComboBox *typeList(frmDetalle &d) { return d.findChild<QComboBox *>("CmbRetencion"); }
    static QLineEdit *field(frmDetalle &d, const char *name) { return d.findChild<QLineEdit *>(name); }
    static QPushButton *button(frmDetalle &d, int i)
    {
        return d.findChild<QPushButton *>(QStringLiteral("cmdaceptar%1").arg(i));
    }

    static void chooseType(frmDetalle &d, const QString &code)
    {
        QComboBox *list = typeList(d);
        for (int i = 0; i < list->count(); ++i)
            if (list->itemText(i).startsWith(code)) {
                list->setCurrentIndex(i);
                return;
            }
        QFAIL(qPrintable("no type " + code));
    }

    // Types into a field as the operator does: focus in, keys, focus out by Tab.
    static void type(frmDetalle &d, const char *name, const QString &keys)
    {
        QLineEdit *f = field(d, name);
        f->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(f, keys);
    }

    static void show(frmDetalle &d)
    {
        d.show();
        QApplication::setActiveWindow(&d);
        QVERIFY(QTest::qWaitForWindowActive(&d));
    }

private slots:
    void initTestCase()
    {
        s().hostServices = &m_host;
    }

    void init()
    {
        m_messages = std::make_shared<qav::ScriptedMessageService>();
        qav::setMessageService(m_messages);
        m_sb = std::make_unique<qavtest::Sandbox>();
        QString why;
        QVERIFY2(m_sb->create(&why), qPrintable(why));
        s().Db.close();
        QVERIFY(s().Db.open(m_sb->openOptions()));
        QVERIFY(s().Db.execute(QStringLiteral("DELETE FROM PARAM")));
        for (const auto &[code, text, flag] :
             {std::tuple{"01", "FACTURA", '1'}, std::tuple{"03", "BOLETA DE VENTA", '1'},
              std::tuple{"05", "BOLETO AEREO", '0'}, std::tuple{"06", "CARTA DE PORTE AEREO", '1'},
              std::tuple{"07", "NOTA DE CREDITO", '1'}, std::tuple{"12", "TICKET", '1'},
              std::tuple{"99", "OTROS", '1'}})
            QVERIFY(s().Db.insert(QStringLiteral("PARAM"),
                                  {{"Numero", "233"}, {"Argumento", QString::fromLatin1(code)},
                                   {"Funcion", voucherFuncion(QString::fromLatin1(text), QChar(flag))},
                                   {"Correl_Param", QString()}}));
        declmod::WorkingTable table(s().Db);
        QVERIFY(table.create());
        QVERIFY(table.clear());
        s().Period = QStringLiteral("2011");
        s().DetailAddMode = true;
        s().SentMode = false;
        m_form = FakeForm();
    }

    void cleanup()
    {
        s().Db.execute(QStringLiteral("DROP TABLE IF EXISTS temp.tmpf7093des"));
        s().Db.close();
        m_sb.reset();
    }

    // The type list: allowed types by code, each as code, 5 blanks and description; the
    // description of the chosen one beside it.
    void typeListAndDescription()
    {
        frmDetalle d(m_form);
        QCOMPARE(d.windowTitle(), QStringLiteral("7093 - Detalle del comprobante"));
        QComboBox *list = typeList(d);
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i).trimmed();
        QCOMPARE(items, (QStringList{"01     FACTURA", "03     BOLETA DE VENTA",
                                     "06     CARTA DE PORTE AEREO", "07     NOTA DE CREDITO",
                                     "12     TICKET", "99     OTROS"}));
        QCOMPARE(list->currentIndex(), -1);
        chooseType(d, "07");
        QCOMPARE(d.findChild<QLabel *>("lbltip")->text().trimmed(), QStringLiteral("NOTA DE CREDITO"));
        QVERIFY(d.isModified());
    }

    // The worked example: type 01, series "1" padded to 0001 on leaving, month 3 shown 03
    // and named, amounts 100 / 50; the record is written, confirmed, the form refreshed, the
    // fields cleared and the dialog left open for the next record.
    void addModeWritesTheRecordAndStaysOpen()
    {
        frmDetalle d(m_form);
        show(d);
        chooseType(d, "01");
        type(d, "txtNumOri", "1");
        type(d, "txtmes", "3");
        QCOMPARE(field(d, "txtNumOri")->text(), QStringLiteral("0001"));
        type(d, "txtImporte0", "1000");
        QCOMPARE(field(d, "txtmes")->text(), QStringLiteral("03"));
        QCOMPARE(d.findChild<QLabel *>("lblMes")->text(), QStringLiteral("Marzo"));
        type(d, "txtImporte1", "50");
        QCOMPARE(field(d, "txtImporte0")->text(), QStringLiteral("1,000.00"));
        button(d, 0)->click();

        QCOMPARE(workingRows(), QStringList{"01|0001|03|1000.00|50.00"});
        QCOMPARE(m_messages->shown.size(), 1);
        QCOMPARE(m_messages->shown.at(0).text, QStringLiteral("La información fue grabada satisfactoriamente. "));
        QCOMPARE(m_messages->shown.at(0).title, frmDetalle::caption());
        QCOMPARE(m_messages->shown.at(0).icon(), int(qav::MbInformation));
        QCOMPARE(m_form.refreshes, 1);
        QCOMPARE(m_form.sums, 1);
        QVERIFY(!d.isClosed());
        QVERIFY(d.isVisible());
        QVERIFY(!d.isModified());
        QCOMPARE(typeList(d)->currentIndex(), -1);
        for (const char *name : {"txtNumOri", "txtmes", "txtImporte0", "txtImporte1"})
            QVERIFY2(field(d, name)->text().isEmpty(), name);
        QVERIFY(d.findChild<QLabel *>("lblMes")->text().isEmpty());

        // The same type, series and month again: refused first, before any other check.
        chooseType(d, "01");
        field(d, "txtNumOri")->setText(QStringLiteral("0001"));
        field(d, "txtmes")->setText(QStringLiteral("03"));
        m_messages->shown.clear();
        button(d, 0)->click();
        QCOMPARE(shownTexts(), QStringList{"Ya se ingresó este comprobante de pago"});
        QCOMPARE(workingRows().size(), 1);
    }

    // The checks through the window: message, how it is titled and where the focus goes.
    void checksShowTheirMessageAndMoveTheFocus_data()
    {
        QTest::addColumn<QString>("typeCode");
        QTest::addColumn<QString>("series");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("taxed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no type") << "" << "0001" << "03" << "100" << "50"
                                 << "Elija el tipo del comprobante de pago" << "CmbRetencion";
        QTest::newRow("no month") << "01" << "0001" << "" << "100" << "50"
                                  << "Debe ingresar el mes del comprobante" << "txtmes";
        QTest::newRow("month 13") << "01" << "0001" << "13" << "100" << "50"
                                  << "El mes del comprobante no es valido" << "txtmes";
        QTest::newRow("series of 3 characters") << "01" << "A12" << "03" << "100" << "50"
                                                << declmod::SeriesRules::messageInvalidSeries()
                                                << "txtNumOri";
        QTest::newRow("total missing") << "01" << "0001" << "03" << "" << "50"
                                       << "Ingrese las ventas totales" << "txtImporte0";
        QTest::newRow("total zero") << "01" << "0001" << "03" << "0" << "0"
                                    << "Las ventas totales deben ser mayor a cero" << "txtImporte0";
        QTest::newRow("taxed missing") << "01" << "0001" << "03" << "100" << ""
                                       << "Ingrese el valor de las ventas gravadas" << "txtImporte1";
        QTest::newRow("taxed above total") << "01" << "0001" << "03" << "100" << "100.01"
                                           << "Las ventas gravadas no pueden ser mayor a las ventas totales"
                                           << "txtImporte1";
    }

    void checksShowTheirMessageAndMoveTheFocus()
    {
        QFETCH(QString, typeCode);
        QFETCH(QString, series);
        QFETCH(QString, month);
        QFETCH(QString, total);
        QFETCH(QString, taxed);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        frmDetalle d(m_form);
        show(d);
        if (!typeCode.isEmpty())
            chooseType(d, typeCode);
        field(d, "txtNumOri")->setText(series);
        field(d, "txtmes")->setText(month);
        field(d, "txtImporte0")->setText(total);
        field(d, "txtImporte1")->setText(taxed);
        button(d, 0)->setFocus();
        const bool modified = d.isModified();
        button(d, 0)->click();
        QCOMPARE(shownTexts(), QStringList{message});
        QCOMPARE(m_messages->shown.at(0).title, frmDetalle::caption());
        QCOMPARE(m_messages->shown.at(0).icon(), int(qav::MbCritical));
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QVERIFY(workingRows().isEmpty());
        QCOMPARE(d.isModified(), modified); // a failed check leaves the flag as it was
        QCOMPARE(m_form.refreshes, 0);
    }

    // The amount fields: after 12 integer digits (11 for a credit note) any key but
    // Backspace, Enter included, puts the point; a second point is ignored; letters are not
    // taken; Shift+Insert empties the clipboard instead of pasting.
    void amountKeys_data()
    {
        QTest::addColumn<QString>("typeCode");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("invoice, 12 digits then 5") << "01" << "123456789012" << int(Qt::Key_5) << "123456789012.";
        QTest::newRow("invoice, 12 digits then Enter") << "01" << "123456789012" << int(Qt::Key_Return) << "123456789012.";
        QTest::newRow("invoice, 11 digits then 5") << "01" << "12345678901" << int(Qt::Key_5) << "123456789015";
        QTest::newRow("credit note, 11 digits then 5") << "07" << "12345678901" << int(Qt::Key_5) << "12345678901.";
        QTest::newRow("credit note, 11 digits then Enter") << "07" << "12345678901" << int(Qt::Key_Enter) << "12345678901.";
        QTest::newRow("12 digits then Backspace") << "01" << "123456789012" << int(Qt::Key_Backspace) << "12345678901";
        QTest::newRow("second point") << "01" << "12.5" << int(Qt::Key_Period) << "12.5";
        QTest::newRow("letter") << "01" << "12" << int(Qt::Key_A) << "12";
    }

    void amountKeys()
    {
        QFETCH(QString, typeCode);
        QFETCH(QString, digits);
        QFETCH(int, key);
        QFETCH(QString, expected);
        frmDetalle d(m_form);
        show(d);
        chooseType(d, typeCode);
        QLineEdit *amount = field(d, "txtImporte0");
        amount->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(amount, digits);
        QTest::keyClick(amount, Qt::Key(key));
        QCOMPARE(amount->text(), expected);
        QCOMPARE(QApplication::focusWidget(), amount);
    }

    void pasteIsRefused()
    {
        frmDetalle d(m_form);
        show(d);
        chooseType(d, "01");
        QApplication::clipboard()->setText(QStringLiteral("999"));
        for (const char *name : {"txtNumOri", "txtmes", "txtImporte0", "txtImporte1"}) {
            QLineEdit *f = field(d, name);
            f->setFocus(Qt::TabFocusReason);
            QTest::keyClick(f, Qt::Key_Insert, Qt::ShiftModifier);
            QTest::keyClick(f, Qt::Key_V, Qt::ControlModifier);
            QVERIFY2(!f->text().contains(u'9'), name);
            QCOMPARE(f->contextMenuPolicy(), Qt::NoContextMenu);
        }
        QVERIFY(QApplication::clipboard()->text().isEmpty());
    }

    // Whatever way a text comes into a field (dropped, committed by an input method, or
    // pasted with the middle button where the system keeps a selection), the field's rules
    // apply: a text the keys could not have typed does not enter at all, one they could
    // enters whole.
    void pastedTextFollowsTheFieldRules_data()
    {
        QTest::addColumn<QString>("typeCode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("series F-01 under 01") << "01" << "txtNumOri" << "" << "F-01" << "";
        QTest::newRow("series F001 under 01") << "01" << "txtNumOri" << "" << "F001" << "F001";
        QTest::newRow("series F-01 under 12") << "12" << "txtNumOri" << "" << "F-01" << "F-01";
        QTest::newRow("series with a point under 12") << "12" << "txtNumOri" << "" << "F.01" << "";
        QTest::newRow("series with a letter under 06") << "06" << "txtNumOri" << "" << "A1" << "";
        QTest::newRow("series of digits under 06") << "06" << "txtNumOri" << "" << "12" << "12";
        QTest::newRow("month with a letter") << "01" << "txtmes" << "" << "1a" << "";
        QTest::newRow("month") << "01" << "txtmes" << "" << "11" << "11";
        QTest::newRow("amount with letters") << "01" << "txtImporte0" << "" << "12a4" << "";
        QTest::newRow("amount with a sign") << "01" << "txtImporte1" << "" << "-5" << "";
        QTest::newRow("amount grouped") << "01" << "txtImporte0" << "" << "1,234.50" << "";
        QTest::newRow("amount") << "01" << "txtImporte1" << "" << "1234.50" << "1234.50";
        QTest::newRow("amount of 13 integer digits")
            << "01" << "txtImporte0" << "" << "1234567890123" << "";
        QTest::newRow("amount of 12 integer digits")
            << "01" << "txtImporte0" << "" << "123456789012.25" << "123456789012.25";
        QTest::newRow("credit note of 12 integer digits")
            << "07" << "txtImporte0" << "" << "123456789012" << "";
        QTest::newRow("credit note of 11 integer digits")
            << "07" << "txtImporte0" << "" << "12345678901" << "12345678901";
        QTest::newRow("a second point") << "01" << "txtImporte0" << "12.5" << "1." << "12.5";
    }

    void pastedTextFollowsTheFieldRules()
    {
        QFETCH(QString, typeCode);
        QFETCH(QString, name);
        QFETCH(QString, before);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        frmDetalle d(m_form);
        show(d);
        chooseType(d, typeCode);
        QLineEdit *f = field(d, qPrintable(name));
        const auto reset = [&] {
            f->setText(before);
            f->end(false);
        };

        reset();
        const QPoint end(f->width() - 2, f->height() / 2);
        QVERIFY(qavtest::dropText(f, text, end));
        QCOMPARE(f->text(), expected.isEmpty() ? before : expected);

        reset();
        f->setFocus(Qt::OtherFocusReason);
        f->end(false);
        qavtest::commitText(f, text);
        QCOMPARE(f->text(), expected.isEmpty() ? before : expected);

        if (QGuiApplication::clipboard()->supportsSelection()) {
            reset();
            QGuiApplication::clipboard()->setText(text, QClipboard::Selection);
            QTest::mouseClick(f, Qt::MiddleButton, {}, end);
            QCOMPARE(f->text(), expected.isEmpty() ? before : expected);
        }
    }

    // Enter in the month field moves on, as Tab does, and the month is padded and named.
    void enterMovesOn()
    {
        frmDetalle d(m_form);
        show(d);
        chooseType(d, "06");
        type(d, "txtNumOri", "12A3");
        QCOMPARE(field(d, "txtNumOri")->text(), QStringLiteral("123"));
        QTest::keyClick(field(d, "txtNumOri"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), field(d, "txtmes"));
        QCOMPARE(field(d, "txtNumOri")->text(), QStringLiteral("0123"));
        QTest::keyClicks(field(d, "txtmes"), "9");
        QTest::keyClick(field(d, "txtmes"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), field(d, "txtImporte0"));
        QCOMPARE(field(d, "txtmes")->text(), QStringLiteral("09"));
        QCOMPARE(d.findChild<QLabel *>("lblMes")->text(), QStringLiteral("Setiembre"));
    }

    // Choosing a type in add mode: series of 4 characters, 15 for types 12 and 99, cleared;
    // an amount takes 15 typed characters, 14 for a credit note.
    void typeChoiceSetsTheSeriesLength_data()
    {
        QTest::addColumn<QString>("typeCode");
        QTest::addColumn<int>("seriesLength");
        QTest::addColumn<int>("amountLength");
        QTest::newRow("01") << "01" << 4 << 15;
        QTest::newRow("07") << "07" << 4 << 14;
        QTest::newRow("12") << "12" << 15 << 15;
        QTest::newRow("99") << "99" << 15 << 15;
    }

    void typeChoiceSetsTheSeriesLength()
    {
        QFETCH(QString, typeCode);
        QFETCH(int, seriesLength);
        QFETCH(int, amountLength);
        frmDetalle d(m_form);
        show(d);
        field(d, "txtNumOri")->setText(QStringLiteral("AB"));
        chooseType(d, typeCode);
        QCOMPARE(field(d, "txtNumOri")->maxLength(), seriesLength);
        QVERIFY(field(d, "txtNumOri")->text().isEmpty());
        const QString typed = QStringLiteral("1.23456789012345678");
        for (const char *name : {"txtImporte0", "txtImporte1"}) {
            QLineEdit *amount = field(d, name);
            amount->setFocus(Qt::TabFocusReason);
            QTest::keyClicks(amount, typed);
            QCOMPARE(amount->text(), typed.left(amountLength));
        }
    }

    // A type change never cuts an amount already entered: ten integer digits keep every
    // digit both ways and are stored with the sign of the type chosen last. Under a credit
    // note a total of 15 characters or more once stored ("###########0.#0") clears both
    // amounts; 14 characters stay.
    void typeChangeKeepsTheAmounts_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("taxed");
        QTest::addColumn<QString>("shownTotal"); // after the change
        QTest::addColumn<QString>("shownTaxed");
        QTest::addColumn<QString>("stored"); // empty: nothing can be saved
        QTest::newRow("01 to 07, ten digits")
            << "01" << "07" << "1234567890.55" << "1234567890.5" << "1,234,567,890.55"
            << "1,234,567,890.50" << "07|0012|04|-1234567890.55|-1234567890.50";
        QTest::newRow("07 to 01, ten digits")
            << "07" << "01" << "9876543210.99" << "1000000000" << "9,876,543,210.99"
            << "1,000,000,000.00" << "01|0012|04|9876543210.99|1000000000.00";
        QTest::newRow("01 to 07, eleven digits stay")
            << "01" << "07" << "12345678901.25" << "1" << "12,345,678,901.25" << "1.00"
            << "07|0012|04|-12345678901.25|-1.00";
        QTest::newRow("01 to 07, twelve digits cleared")
            << "01" << "07" << "123456789012.5" << "7" << "" << "" << "";
        QTest::newRow("01 to 03, twelve digits stay")
            << "01" << "03" << "123456789012.5" << "7" << "123,456,789,012.50" << "7.00"
            << "03|0012|04|123456789012.50|7.00";
    }

    void typeChangeKeepsTheAmounts()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, total);
        QFETCH(QString, taxed);
        QFETCH(QString, shownTotal);
        QFETCH(QString, shownTaxed);
        QFETCH(QString, stored);
        frmDetalle d(m_form);
        show(d);
        chooseType(d, first);
        type(d, "txtImporte0", total);
        type(d, "txtImporte1", taxed);
        typeList(d)->setFocus(Qt::TabFocusReason);
        chooseType(d, second);
        QCOMPARE(field(d, "txtImporte0")->text(), shownTotal);
        QCOMPARE(field(d, "txtImporte1")->text(), shownTaxed);
        if (stored.isEmpty())
            return;
        type(d, "txtNumOri", "12");
        type(d, "txtmes", "4");
        button(d, 0)->click();
        QCOMPARE(shownTexts(), QStringList{"La información fue grabada satisfactoriamente. "});
        QCOMPARE(workingRows(), QStringList{stored});
    }

    // A credit note is stored negative and shown positive when it is opened again; the
    // modify dialog starts as modified, changes only the amounts and closes after saving.
    void creditNoteStoredNegativeShownPositive()
    {
        {
            frmDetalle d(m_form);
            show(d);
            chooseType(d, "07");
            type(d, "txtNumOri", "12");
            type(d, "txtmes", "4");
            type(d, "txtImporte0", "100");
            type(d, "txtImporte1", "50");
            button(d, 0)->click();
        }
        QCOMPARE(workingRows(), QStringList{"07|0012|04|-100.00|-50.00"});

        s().DetailAddMode = false;
        m_form.current = VoucherRecord{"07", "0012", "04", "-100.00", "-50.00"};
        m_messages->shown.clear();
        frmDetalle d(m_form);
        show(d);
        QVERIFY(d.isModified());
        QVERIFY(typeList(d)->currentText().startsWith(QStringLiteral("07")));
        QVERIFY(!typeList(d)->isEnabled());
        QVERIFY(!field(d, "txtNumOri")->isEnabled());
        QVERIFY(!field(d, "txtmes")->isEnabled());
        QCOMPARE(field(d, "txtNumOri")->text(), QStringLiteral("0012"));
        QCOMPARE(field(d, "txtmes")->text(), QStringLiteral("04"));
        QCOMPARE(d.findChild<QLabel *>("lblMes")->text(), QStringLiteral("Abril"));
        QCOMPARE(field(d, "txtImporte0")->text(), QStringLiteral("100.00"));
        QCOMPARE(field(d, "txtImporte1")->text(), QStringLiteral("50.00"));

        QLineEdit *taxed = field(d, "txtImporte1");
        taxed->setFocus(Qt::TabFocusReason);
        taxed->selectAll();
        QTest::keyClicks(taxed, "20.5");
        button(d, 0)->click();
        QCOMPARE(workingRows(), QStringList{"07|0012|04|-100.00|-20.50"});
        QVERIFY(d.isClosed());
        QCOMPARE(shownTexts(), QStringList{"La información fue grabada satisfactoriamente. "});
    }

    // Salir: a modified dialog asks; Cancel keeps it with its contents, No closes without
    // writing, Yes saves first. A modify dialog asks even when nothing was typed.
    void salirQuestion_data()
    {
        QTest::addColumn<bool>("addMode");
        QTest::addColumn<bool>("typeSomething");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QStringList>("rows");
        const QStringList none;
        const QStringList stored{"01|0001|02|10.00|5.00"};
        const QStringList changed{"01|0001|02|10.00|7.00"};
        QTest::newRow("add, untouched") << true << false << 0 << false << true << none;
        QTest::newRow("add, typed, Cancel") << true << true << int(qav::AnsCancel) << true << false << none;
        QTest::newRow("add, typed, No") << true << true << int(qav::AnsNo) << true << true << none;
        QTest::newRow("add, typed, Yes saves and stays") << true << true << int(qav::AnsYes) << true << false
                                                         << QStringList{"01|0001|03|100.00|50.00"};
        QTest::newRow("modify, untouched, Cancel") << false << false << int(qav::AnsCancel) << true << false << stored;
        QTest::newRow("modify, untouched, No") << false << false << int(qav::AnsNo) << true << true << stored;
        QTest::newRow("modify, typed, Yes saves and closes") << false << true << int(qav::AnsYes) << true << true
                                                             << changed;
    }

    void salirQuestion()
    {
        QFETCH(bool, addMode);
        QFETCH(bool, typeSomething);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        QFETCH(QStringList, rows);
        s().DetailAddMode = addMode;
        if (!addMode) {
            QVERIFY(s().Db.execute(QStringLiteral("INSERT INTO tmpf7093des VALUES ('01','0001','02','10.00','5.00')")));
            m_form.current = VoucherRecord{"01", "0001", "02", "10.00", "5.00"};
        }
        frmDetalle d(m_form);
        show(d);
        if (typeSomething) {
            if (addMode) {
                chooseType(d, "01");
                type(d, "txtNumOri", "1");
                type(d, "txtmes", "03");
                type(d, "txtImporte0", "100");
                type(d, "txtImporte1", "50");
            } else {
                field(d, "txtImporte1")->setFocus(Qt::TabFocusReason);
                field(d, "txtImporte1")->selectAll();
                QTest::keyClicks(field(d, "txtImporte1"), "7");
            }
        }
        m_messages->answers = {answer};
        button(d, 1)->click();
        QStringList questions;
        for (const qav::Message &m : m_messages->shown)
            if (m.buttons() == qav::MbYesNoCancel) {
                questions << m.text;
                QCOMPARE(m.icon(), int(qav::MbQuestion));
                QCOMPARE(m.title, frmDetalle::caption());
            }
        QCOMPARE(questions.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(questions.at(0), QStringLiteral("¿La información ha sido modificada, desea guardar los cambios?"));
        QCOMPARE(d.isClosed(), closed);
        QCOMPARE(workingRows(), rows);
        if (answer == qav::AnsCancel) {
            QVERIFY(d.isModified());
            if (addMode)
                QCOMPARE(field(d, "txtImporte0")->text(), QStringLiteral("100.00"));
        }
    }

    // Escape and the close box go through Salir's question too.
    void escapeAsks()
    {
        frmDetalle d(m_form);
        show(d);
        chooseType(d, "01");
        m_messages->answers = {qav::AnsCancel};
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(!d.isClosed());
        QCOMPARE(m_messages->shown.size(), 1);
        m_messages->answers = {qav::AnsNo};
        d.close();
        QVERIFY(d.isClosed());
        QCOMPARE(m_messages->shown.size(), 2);
    }

    // A series holding quotes (as an import or an older version may have stored it) is
    // written, found by the duplicate check and changed as it stands.
    void seriesWithQuotes_data()
    {
        QTest::addColumn<QString>("series");
        QTest::newRow("single quote") << "0'1";
        QTest::newRow("double quote") << "A\"B";
        QTest::newRow("both, and SQL") << "1' OR \"1\"=\"1";
    }

    void seriesWithQuotes()
    {
        QFETCH(QString, series);
        QVERIFY(s().Db.execute(QStringLiteral("INSERT INTO tmpf7093des VALUES ('12','OTRA','01','1.00','1.00')")));
        {
            frmDetalle d(m_form);
            show(d);
            chooseType(d, "12");
            field(d, "txtNumOri")->setText(series);
            field(d, "txtmes")->setText(QStringLiteral("05"));
            field(d, "txtImporte0")->setText(QStringLiteral("10"));
            field(d, "txtImporte1")->setText(QStringLiteral("5"));
            button(d, 0)->click();
            QCOMPARE(shownTexts(), QStringList{"La información fue grabada satisfactoriamente. "});

            m_messages->shown.clear();
            chooseType(d, "12");
            field(d, "txtNumOri")->setText(series);
            field(d, "txtmes")->setText(QStringLiteral("05"));
            button(d, 0)->click();
            QCOMPARE(shownTexts(), QStringList{"Ya se ingresó este comprobante de pago"});
        }
        QCOMPARE(workingRows(), (QStringList{"12|" + series + "|05|10.00|5.00", "12|OTRA|01|1.00|1.00"}));

        s().DetailAddMode = false;
        m_form.current = VoucherRecord{"12", series, "05", "10.00", "5.00"};
        frmDetalle d(m_form);
        show(d);
        field(d, "txtImporte1")->setText(QStringLiteral("8"));
        button(d, 0)->click();
        QCOMPARE(workingRows(), (QStringList{"12|" + series + "|05|10.00|8.00", "12|OTRA|01|1.00|1.00"}));
    }

    // A record whose type the list does not offer (imported before the type was withdrawn)
    // is changed under its own key: only its amounts change.
    void modifyKeepsTheStoredKey()
    {
        QVERIFY(s().Db.execute(QStringLiteral("INSERT INTO tmpf7093des VALUES ('05','0009','06','10.00','5.00')")));
        s().DetailAddMode = false;
        m_form.current = VoucherRecord{"05", "0009", "06", "10.00", "5.00"};
        frmDetalle d(m_form);
        show(d);
        field(d, "txtImporte1")->setText(QStringLiteral("6"));
        button(d, 0)->click();
        QCOMPARE(workingRows(), QStringList{"05|0009|06|10.00|6.00"});
        QVERIFY(d.isClosed());
    }

    // A record the database refuses to write is not confirmed: the error is shown, the
    // dialog stays open with its fields, and the form is not refreshed.
    void failedWriteIsReported()
    {
        QVERIFY(s().Db.execute(QStringLiteral(
            "CREATE TEMP TRIGGER refuse BEFORE INSERT ON tmpf7093des BEGIN "
            "SELECT RAISE(ABORT, 'disco lleno'); END")));
        frmDetalle d(m_form);
        show(d);
        chooseType(d, "01");
        field(d, "txtNumOri")->setText(QStringLiteral("0001"));
        field(d, "txtmes")->setText(QStringLiteral("03"));
        field(d, "txtImporte0")->setText(QStringLiteral("100"));
        field(d, "txtImporte1")->setText(QStringLiteral("50"));
        button(d, 0)->click();
        QCOMPARE(m_messages->shown.size(), 1);
        QVERIFY(m_messages->shown.at(0).text.contains(QStringLiteral("disco lleno")));
        QCOMPARE(m_messages->shown.at(0).icon(), int(qav::MbCritical));
        QVERIFY(!d.isClosed());
        QCOMPARE(field(d, "txtNumOri")->text(), QStringLiteral("0001"));
        QCOMPARE(field(d, "txtImporte0")->text(), QStringLiteral("100"));
        QVERIFY(d.isModified());
        QCOMPARE(m_form.refreshes, 0);
    }

    // A sent declaration is only viewed: Aceptar, the month and the amounts are disabled and
    // greyed, as are the key fields of the record shown.
    void viewModeOfASentDeclaration()
    {
        s().SentMode = true;
        s().DetailAddMode = false;
        QVERIFY(s().Db.execute(QStringLiteral("INSERT INTO tmpf7093des VALUES ('03','B001','11','10.00','5.00')")));
        m_form.current = VoucherRecord{"03", "B001", "11", "10.00", "5.00"};
        frmDetalle d(m_form);
        show(d);
        QVERIFY(!button(d, 0)->isEnabled());
        QVERIFY(button(d, 1)->isEnabled());
        for (const char *name : {"txtNumOri", "txtmes", "txtImporte0", "txtImporte1"}) {
            QVERIFY2(!field(d, name)->isEnabled(), name);
            QCOMPARE(field(d, name)->palette().color(QPalette::Disabled, QPalette::Base), QColor(192, 192, 192));
        }
        QVERIFY(!typeList(d)->isEnabled());
        QCOMPARE(field(d, "txtImporte0")->text(), QStringLiteral("10.00"));
        d.aceptar();
        QVERIFY(m_messages->shown.isEmpty());
        QCOMPARE(workingRows(), QStringList{"03|B001|11|10.00|5.00"});
        // Nothing can be changed, so Salir closes without asking.
        QVERIFY(d.isModified());
        button(d, 1)->click();
        QVERIFY(d.isClosed());
        QVERIFY(m_messages->shown.isEmpty());
    }

    // Every control of the dialog carries an accessible name.
    void accessibleNames()
    {
        frmDetalle d(m_form);
        for (QWidget *w : d.findChildren<QWidget *>()) {
            if (qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w) || qobject_cast<QPushButton *>(w)) {
                if (qobject_cast<QLineEdit *>(w) && qobject_cast<QComboBox *>(w->parentWidget()))
                    continue;
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
            }
        }
    }
};

QTEST_MAIN(TestFrmDetalle)
#include "tst_frmdetalle.moc"
