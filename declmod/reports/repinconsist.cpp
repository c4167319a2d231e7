#include "declmod/reports/repinconsist.h"

#include "declmod/reports/printtarget.h"

#include "common/text/textfile.h"
#include "common/text/trim.h"
#include "common/time/clock.h"
#include "common/ui/messages.h"

namespace declmod {
namespace {
const QString kFont = QStringLiteral("Courier new");

// A message takes two positions when it is longer than 90 characters (trimmed).
int positions(const QString &line)
{
    return qav::trimSpaces(line).size() <= 90 ? 1 : 2;
}

// The pages of the list: a page ends once 40 positions are used, and the count line and the
// frame follow on the page after the last message.
int listPages(const QStringList &lines)
{
    int pages = 1, k = 0;
    for (const QString &line : lines) {
        k += positions(line);
        if (k >= 40) {
            ++pages;
            k = 0;
        }
    }
    return pages;
}

} // namespace

PrintOutcome printInconsistencies(const QString &file, PrintTarget &target,
                                  const PrintProgress &progress)
{
    PrintOutcome out;
    QStringList lines;
    QString why;
    if (!qav::readTextLines(qav::resolveCaseInsensitive(file), &lines, &why)) {
        out.status = PrintOutcome::JobFailed;
        out.detail = why;
        return out;
    }
    const QDateTime when = qav::now();
    if (!target.startPage()) {
        out.status = PrintOutcome::DeviceFailed;
        out.detail = target.errorString();
        target.endJob();
        return out;
    }
    out.pages = 1;
    const int total = listPages(lines);
    auto print = [&target](int x, int y, const QString &text, bool bold) {
        target.text(x, y, text, kFont, 8, bold);
    };
    print(400, 30, QStringLiteral("ORTAX"), true);
    print(400, 300, when.toString(QStringLiteral("dd/MM/yyyy")), true);
    print(4000, 300, QStringLiteral("INCONSISTENCIAS DETECTADAS "), true);
    print(9000, 300, QStringLiteral("PAG. 1 "), true);
    print(400, 570, when.toString(QStringLiteral("HH:mm:ss")), true);
    print(3000, 570, QStringLiteral("7093 QAV Detalle de Operaciones - v 1.0"), true);

    int n = 0, k = 0;
    for (const QString &line : std::as_const(lines)) {
        ++n;
        ++k;
        const QString number = u' ' + QString::number(n) + QStringLiteral(". ");
        const int length = int(qav::trimSpaces(line).size());
        if (positions(line) == 1) {
            print(400, 1000 + (k - 1) * 270, number + line, false);
        } else {
            print(400, 1000 + (k - 1) * 270, number + line.left(89) + u'-', false);
            print(400, 1000 + k * 270, QStringLiteral("    ") + line.mid(90, length - 90), false);
            ++k;
        }
        if (k >= 40) {
            if (progress && !progress(out.pages, total)) {
                out.status = PrintOutcome::Cancelled;
                target.abortJob();
                return out;
            }
            if (!target.startPage()) {
                out.status = PrintOutcome::DeviceFailed;
                out.detail = target.errorString();
                target.endJob();
                return out;
            }
            ++out.pages;
            k = 0;
        }
    }
    print(500, 1000 + k * 270, QStringLiteral(" Inconsistencias Detectadas : ") + u' ' + QString::number(n),
          false);
    const int x1 = 300, y1 = 900, x2 = 10000, y2 = 1270 + k * 270;
    target.line(x1, y1, x2, y1);
    target.line(x2, y1, x2, y2);
    target.line(x2, y2, x1, y2);
    target.line(x1, y2, x1, y1);
    if (!target.endJob()) {
        out.status = PrintOutcome::JobFailed;
        out.detail = target.errorString();
    } else if (progress) {
        progress(out.pages, total);
    }
    return out;
}

bool RepInconsist(const QString &file, PrintTarget &target, const PrintProgress &progress)
{
    const PrintOutcome out = printInconsistencies(file, target, progress);
    if (out.ok())
        return true;
    QString text = out.message();
    if (out.status == PrintOutcome::JobFailed)
        text = QStringLiteral("Error Técnico : (") + QString::number(ErrInconsistencyFile)
               + QStringLiteral(") ") + out.detail;
    qav::msgBox(text, qav::MbOk | qav::MbCritical, QStringLiteral("Impresión"));
    return false;
}

} // namespace declmod
