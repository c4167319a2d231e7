// A declmod session reduced to the declaration window, driven from its command line, for the
// tests that kill a session and look at what the next one is offered. It reads the
// installation from PM000.INI (QAV_WINDIR) and keeps its recovery files in the user's data
// folder (XDG_DATA_HOME), as declmod does, and runs its commands in order:
//
//   open RUC YEAR                   the declaration window on a pending declaration
//   new RUC YEAR                    the window for a new one: taxpayer chosen, exercise typed
//   answer N                        the next question is answered N (6 yes, 7 no)
//   add|change TIP|SER|MES|VEN|GRA  a record written as the voucher dialog writes it
//   delete TIP|SER|MES              a record deleted as "&Eliminar" deletes it
//   import FILE [LINES]             the transfer run of FILE; with LINES, the process kills
//                                   itself (SIGKILL) once that many lines are transferred
//   save | close                    "&Grabar" | "&Salir"
//
// Then it prints every message shown ("shown: <text>") and "ready", and waits to be killed.

#include "declmod/declaration/frm745.h"
#include "declmod/declaration/workingtable.h"
#include "declmod/import/importtarget.h"
#include "declmod/import/transperret.h"
#include "declmod/import/vouchertypes.h"
#include "declmod/session/hostservices.h"
#include "declmod/session/session.h"
#include "declmod/session/startup.h"

#include "common/ui/messages.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <memory>

using namespace declmod;

namespace {

int fail(const QString &why)
{
    std::fprintf(stderr, "recoverydriver: %s\n", qPrintable(why));
    return 2;
}

VoucherRecord recordOf(const QString &text)
{
    const QStringList f = text.split(u'|');
    return {f.value(0), f.value(1), f.value(2), f.value(3), f.value(4)};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    auto messages = std::make_shared<qav::ScriptedMessageService>();
    qav::setMessageService(messages);
    Session &s = session();
    ReadSessionSettings();
    if (!OpenSessionDatabase())
        return fail(QStringLiteral("no database"));
    s.FormNumber = QStringLiteral("7093");
    HostServices host;
    s.hostServices = &host;

    const QStringList args = app.arguments().mid(1);
    std::unique_ptr<Frm745> window;
    for (int i = 0; i < args.size(); ++i) {
        const QString &command = args[i];
        const QString arg = args.value(i + 1);
        if (command == u"open" || command == u"new") {
            s.SentMode = false;
            s.FormMode = command == u"open" ? 2 : 1;
            s.TaxpayerId = arg;
            s.TaxpayerName = QStringLiteral("EMPRESA");
            s.Period = args.value(i + 2);
            const QString year = s.Period;
            window = std::make_unique<Frm745>();
            window->show();
            if (command == u"new") {
                auto *list = window->findChild<QComboBox *>(QStringLiteral("CmbRuc"));
                const int item = list->findText(arg, Qt::MatchStartsWith);
                if (item < 0)
                    return fail(QStringLiteral("no taxpayer ") + arg);
                list->setCurrentIndex(item);
                emit list->activated(item);
                auto *exercise = window->findChild<QLineEdit *>(QStringLiteral("MkePeriodo"));
                exercise->setFocus();
                exercise->setCursorPosition(0);
                QTest::keyClicks(exercise, year);
                if (s.Period != year)
                    return fail(QStringLiteral("exercise not accepted"));
            }
            i += 2;
        } else if (command == u"answer") {
            messages->answers << arg.toInt();
            ++i;
        } else if (command == u"add" || command == u"change") {
            WorkingTable table(s.Db);
            const VoucherRecord r = recordOf(arg);
            if (!(command == u"add" ? table.insert(r) : table.update(r)))
                return fail(command + u' ' + arg + QStringLiteral(": ") + table.lastError().text);
            window->refrescargrid();
            ++i;
        } else if (command == u"delete") {
            const VoucherRecord r = recordOf(arg);
            window->Eliminar(r.num_ser, r.tip_com, r.per_tri);
            window->refrescargrid();
            ++i;
        } else if (command == u"import") {
            QStringList codes;
            QString error;
            if (!ParamVoucherTypes(s.Db.handle()).codes(&codes, &error))
                return fail(error);
            const VoucherTypeSet types(codes);
            WorkingTableTarget target(s.Db);
            TransPerRet run({&host, &types, &s.Db, &target, &qav::messages()},
                            {QFileInfo(arg).path(), s.ReportDir, s.FormNumber, s.TaxpayerId,
                             s.Period, arg});
            const qint64 killAt = args.value(i + 2).toLongLong();
            if (killAt > 0) {
                run.setProgress(
                    [killAt](const TransPerRet &r) {
                        if (r.transferred() >= killAt)
                            std::raise(SIGKILL);
                    },
                    0);
                ++i;
            }
            if (run.run() != TransferOutcome::Completed)
                return fail(QStringLiteral("import failed"));
            window->refrescargrid();
            ++i;
        } else if (command == u"save") {
            window->Cmdgeneral_Click(1);
        } else if (command == u"close") {
            window->Cmdgeneral_Click(2);
        } else {
            return fail(QStringLiteral("unknown command ") + command);
        }
    }
    for (const qav::Message &m : messages->shown)
        std::printf("shown: %s\n", qPrintable(m.text));
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec(); // until killed
}
