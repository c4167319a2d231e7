// The consistency print (positions, the 90-character split, page breaks at the 40th position,
// the closing frame, failures, progress and cancelling) and the page range dialog's checks.

#include "declmod/reports/pagerangecheck.h"
#include "declmod/reports/printtarget.h"
#include "declmod/reports/repinconsist.h"

#include "common/text/textfile.h"
#include "common/time/clock.h"
#include "common/ui/messages.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace declmod;
using Call = RecordingPrintTarget::Call;

class TstPrintRules : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString messages(const QStringList &lines)
    {
        const QString path = m_dir.filePath(QStringLiteral("Mens.txt"));
        return qav::writeTextLines(path, lines) ? path : QString();
    }

private slots:
    void init() { qav::setFixedNow(QDateTime(QDate(2026, 12, 10), QTime(14, 7, 9))); }
    void cleanup() { qav::setFixedNow(QDateTime()); }
    void consistencyLayout_data();
    void consistencyLayout();
    void consistencyHeading();
    void longMessageSplit();
    void consistencyFailures();
    void consistencyProgress_data();
    void consistencyProgress();
    void pageRangeChecks_data();
    void pageRangeChecks();
};

void TstPrintRules::consistencyLayout_data()
{
    QTest::addColumn<int>("messages");
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("countY");  // the count line on the last page
    QTest::addColumn<int>("frameY2"); // the frame's lower edge
    QTest::newRow("empty") << 0 << 1 << 1000 << 1270;
    QTest::newRow("3 messages") << 3 << 1 << 1810 << 2080;
    QTest::newRow("39 messages") << 39 << 1 << 1000 + 39 * 270 << 1270 + 39 * 270;
    QTest::newRow("40 messages: the 40th ends the page") << 40 << 2 << 1000 << 1270;
    QTest::newRow("41 messages") << 41 << 2 << 1270 << 1540;
}

void TstPrintRules::consistencyLayout()
{
    QFETCH(int, messages);
    QFETCH(int, pages);
    QFETCH(int, countY);
    QFETCH(int, frameY2);
    QStringList lines;
    for (int i = 0; i < messages; ++i)
        lines << QStringLiteral("Mensaje %1").arg(i + 1);
    RecordingPrintTarget t;
    QVERIFY(RepInconsist(this->messages(lines), t));
    QCOMPARE(t.pages, pages);
    QVERIFY(t.ended);
    // Messages: one position each from y = 1000, numbered; the 41st starts page 2 at 1000.
    QList<Call> listed;
    for (const Call &c : t.calls)
        if (c.kind == Call::Text && c.text.contains(QStringLiteral(". Mensaje")))
            listed << c;
    QCOMPARE(listed.size(), messages);
    for (int i = 0; i < messages; ++i) {
        QCOMPARE(listed[i].text, QStringLiteral(" %1. Mensaje %1").arg(i + 1));
        QCOMPARE(listed[i].x, 400);
        QCOMPARE(listed[i].y, 1000 + (i % 40) * 270);
        QCOMPARE(listed[i].page, i / 40);
        QCOMPARE(listed[i].font, QStringLiteral("Courier new"));
        QCOMPARE(listed[i].size, 8);
        QVERIFY(!listed[i].bold);
    }
    const QList<Call> last = t.onPage(pages - 1, Call::Text);
    QVERIFY(!last.isEmpty());
    QCOMPARE(last.last().text, QStringLiteral(" Inconsistencias Detectadas :  %1").arg(messages));
    QCOMPARE(last.last().x, 500);
    QCOMPARE(last.last().y, countY);
    const QList<Call> frame = t.onPage(pages - 1, Call::Line);
    QCOMPARE(frame.size(), 4);
    QCOMPARE(frame[0].x, 300);
    QCOMPARE(frame[0].y, 900);
    QCOMPARE(frame[1].x2, 10000);
    QCOMPARE(frame[1].y2, frameY2);
    for (int p = 0; p + 1 < pages; ++p)
        QVERIFY(t.onPage(p, Call::Line).isEmpty());
}

void TstPrintRules::consistencyHeading()
{
    RecordingPrintTarget t;
    QVERIFY(RepInconsist(messages({QStringLiteral("Uno")}), t));
    const struct {
        int x, y;
        const char *text;
    } heading[] = {
        {400, 30, "ORTAX"}, {400, 300, "10/12/2026"}, {4000, 300, "INCONSISTENCIAS DETECTADAS "},
        {9000, 300, "PAG. 1 "}, {400, 570, "14:07:09"}, {3000, 570, "7093 QAV Detalle de Operaciones - v 1.0"},
    };
    const QList<Call> texts = t.onPage(0, Call::Text);
    QVERIFY(texts.size() >= 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(texts[i].text, QString::fromUtf8(heading[i].text));
        QCOMPARE(texts[i].x, heading[i].x);
        QCOMPARE(texts[i].y, heading[i].y);
        QVERIFY(texts[i].bold);
    }
    // The heading is on the first page only.
    QStringList lines;
    for (int i = 0; i < 45; ++i)
        lines << QStringLiteral("m");
    RecordingPrintTarget two;
    QVERIFY(RepInconsist(messages(lines), two));
    for (const Call &c : two.onPage(1, Call::Text))
        QVERIFY(c.text != QStringLiteral("ORTAX"));
}

void TstPrintRules::longMessageSplit()
{
    QString hundred;
    for (int i = 1; i <= 100; ++i)
        hundred += QChar(u'A' + (i % 26));
    const QString ninety = QString(90, u'n');
    const QString spacedNinety = ninety + QStringLiteral("     "); // trimmed it is 90 long
    RecordingPrintTarget t;
    QVERIFY(RepInconsist(messages({hundred, ninety, spacedNinety}), t));
    const QList<Call> texts = t.onPage(0, Call::Text).mid(6);
    QCOMPARE(texts.size(), 5);
    QCOMPARE(texts[0].text, QStringLiteral(" 1. ") + hundred.left(89) + u'-');
    QCOMPARE(texts[0].y, 1000);
    QCOMPARE(texts[1].text, QStringLiteral("    ") + hundred.mid(90));
    QCOMPARE(texts[1].y, 1270);
    QCOMPARE(texts[2].text, QStringLiteral(" 2. ") + ninety);
    QCOMPARE(texts[2].y, 1540);
    QCOMPARE(texts[3].text, QStringLiteral(" 3. ") + spacedNinety);
    QCOMPARE(texts[3].y, 1810);
    QCOMPARE(texts[4].y, 2080); // four positions used
    // A long message that ends at the 40th position breaks the page after its second half.
    QStringList lines;
    for (int i = 0; i < 38; ++i)
        lines << QStringLiteral("m");
    lines << hundred << QStringLiteral("next");
    RecordingPrintTarget p;
    QVERIFY(RepInconsist(messages(lines), p));
    QCOMPARE(p.pages, 2);
    const QList<Call> second = p.onPage(1, Call::Text);
    QVERIFY(!second.isEmpty());
    QCOMPARE(second.first().text, QStringLiteral(" 40. next"));
    QCOMPARE(second.first().y, 1000);
}

void TstPrintRules::consistencyFailures()
{
    auto scripted = std::make_shared<qav::ScriptedMessageService>();
    qav::setMessageService(scripted);
    RecordingPrintTarget noPrinter;
    noPrinter.failFromPage = 0;
    QVERIFY(!RepInconsist(messages({QStringLiteral("Uno")}), noPrinter));
    RecordingPrintTarget t;
    QVERIFY(!RepInconsist(m_dir.filePath(QStringLiteral("missing.txt")), t));
    QCOMPARE(t.pages, 0);
    qav::setMessageService(nullptr);
    QCOMPARE(scripted->shown.size(), 2);
    QCOMPARE(scripted->shown[0].text, QStringLiteral("No existe una impresora seleccionada.Verifique."));
    QCOMPARE(scripted->shown[0].title, QStringLiteral("Impresión"));
    QCOMPARE(scripted->shown[0].icon(), int(qav::MbCritical));
    QVERIFY2(scripted->shown[1].text.startsWith(QStringLiteral("Error Técnico : (9106) ")),
             qPrintable(scripted->shown[1].text));
    QCOMPARE(scripted->shown[1].title, QStringLiteral("Impresión"));
}

void TstPrintRules::consistencyProgress_data()
{
    const QString hundred(100, u'h');
    QStringList shortLines, withLong;
    for (int i = 0; i < 100; ++i)
        shortLines << QStringLiteral("m");
    for (int i = 0; i < 38; ++i)
        withLong << QStringLiteral("m");
    withLong << hundred << QStringLiteral("next");
    QStringList exactly40;
    for (int i = 0; i < 40; ++i)
        exactly40 << QStringLiteral("m");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("pages");       // the pages of the whole list
    QTest::addColumn<int>("cancelAfter"); // 0: never
    QTest::newRow("100 short, whole") << shortLines << 3 << 0;
    QTest::newRow("100 short, cancelled after page 1") << shortLines << 3 << 1;
    QTest::newRow("100 short, cancelled after page 2") << shortLines << 3 << 2;
    QTest::newRow("a long one ends the page, whole") << withLong << 2 << 0;
    // The 40th position ends the page: the count line goes on a second page.
    QTest::newRow("40 short, cancelled after page 1") << exactly40 << 2 << 1;
    QTest::newRow("one message") << QStringList{QStringLiteral("Uno")} << 1 << 0;
}

void TstPrintRules::consistencyProgress()
{
    QFETCH(QStringList, lines);
    QFETCH(int, pages);
    QFETCH(int, cancelAfter);
    auto scripted = std::make_shared<qav::ScriptedMessageService>();
    qav::setMessageService(scripted);
    RecordingPrintTarget t;
    QList<QPair<int, int>> heard;
    const bool ok = RepInconsist(messages(lines), t, [&](int done, int total) {
        heard.append({done, total});
        return cancelAfter == 0 || done < cancelAfter;
    });
    qav::setMessageService(nullptr);
    QList<QPair<int, int>> expected;
    for (int k = 1; k <= (cancelAfter ? cancelAfter : pages); ++k)
        expected.append({k, pages});
    QCOMPARE(heard, expected);
    QCOMPARE(ok, cancelAfter == 0);
    QCOMPARE(t.pages, cancelAfter ? cancelAfter : pages);
    QCOMPARE(t.aborted, cancelAfter != 0);
    QCOMPARE(t.ended, cancelAfter == 0);
    if (cancelAfter) {
        QCOMPARE(scripted->shown.size(), 1);
        QCOMPARE(scripted->shown[0].text, QStringLiteral("La Impresión ha sido Cancelada."));
        QCOMPARE(scripted->shown[0].title, QStringLiteral("Impresión"));
        QCOMPARE(scripted->shown[0].icon(), int(qav::MbCritical));
        // Nothing of the page after the cancel, and no count line.
        for (const Call &c : t.calls)
            QVERIFY(!c.text.contains(QStringLiteral("Inconsistencias Detectadas :")));
    } else {
        QVERIFY(scripted->shown.isEmpty());
    }
}

void TstPrintRules::pageRangeChecks_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("total");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("message"); // empty: accepted
    // 41 records declare 2 pages.
    QTest::newRow("whole 1-2") << "1" << "2" << "2" << 0 << "";
    QTest::newRow("last beyond the total") << "2" << "15" << "2" << 0 << "";
    QTest::newRow("same page") << "2" << "2" << "2" << 0 << "";
    QTest::newRow("first empty") << "  " << "2" << "2" << 0 << "Ingrese página de inicio";
    QTest::newRow("first 0") << "0" << "2" << "2" << 0 << "Página inicial debe ser a partir de 1";
    QTest::newRow("first not a number") << "." << "2" << "2" << 0 << "Página inicial debe ser a partir de 1";
    QTest::newRow("first 3 of 2") << "3" << "3" << "2" << 0
                                  << "Página inicial no debe ser mayor a total de páginas del reporte";
    QTest::newRow("last empty") << "1" << "" << "2" << 1 << "Ingrese página de Fin";
    QTest::newRow("2 to 1") << "2" << "1" << "2" << 1 << "Página de Inicio debe ser mayor a página de Fin";
    QTest::newRow("order of checks") << "3" << "" << "2" << 0
                                     << "Página inicial no debe ser mayor a total de páginas del reporte";
}

void TstPrintRules::pageRangeChecks()
{
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, total);
    QFETCH(int, field);
    QFETCH(QString, message);
    const auto problem = checkPageRange(first, last, total);
    QCOMPARE(problem.has_value(), !message.isEmpty());
    if (problem) {
        QCOMPARE(problem->message, message);
        QCOMPARE(problem->field, field);
    }
}

QTEST_GUILESS_MAIN(TstPrintRules)
#include "tst_printrules.moc"
