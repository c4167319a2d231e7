// Times the import checks of decltool check-import on generated files of mixed valid and
// invalid lines: in this process (the same code the command runs, output written to the
// null device), and once through the decltool program for the largest file. Prints the
// times, the throughput and the peak resident memory. Then the transfer run against the
// sqlite3 shell's .import, and decltool load of 1,000,000 lines (transferbench.h).
//
// Usage: bench_import [RUNS [FOLDER]]   (default 3 runs per file, the best one counts; the
// files are written into FOLDER and kept when it is given, else into a temporary folder)

#include "decltool/commands.h"
#include "transferbench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <vector>

extern char **environ;

namespace {

// Seven lines in ten are accepted, each with a key of its own (so the set of accepted keys
// grows with the file); of the rest, one in twenty repeats an earlier accepted line (0228)
// and the others are refused by a field check (0946, 0947, 0948).
bool generate(const QString &path, int lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QRandomGenerator rng(7093);
    static const char *const groupA[] = {"01", "03", "07", "08"};
    QByteArray block;
    block.reserve(1 << 20);
    QByteArray lastTicket;
    for (int i = 0; i < lines; ++i) {
        const int month = i % 12 + 1;
        const int cents = int(rng.bounded(10000000));
        const QByteArray total = QByteArray::number(cents / 100 + 1) + '.'
            + QByteArray::number(cents % 100).rightJustified(2, '0');
        const QByteArray taxed = QByteArray::number((cents / 100 + 1) / 2) + ".19";
        switch (i % 10) {
        case 6:
            lastTicket = (i % 20 == 6 ? "12|T" : "99|R") + QByteArray::number(i) + '|'
                + QByteArray::number(month) + '|' + total + '|' + taxed + "|\r\n";
            block += lastTicket;
            break;
        case 7:
            block += "01|F001|" + QByteArray::number(month) + "|12a|1|\r\n";
            break;
        case 8:
            block += "03|B" + QByteArray::number(i % 1000).rightJustified(3, '0') + "|13|"
                + total + '|' + taxed + "|\r\n";
            break;
        case 9:
            if (i % 20 == 9)
                block += lastTicket;
            else
                block += "08|0001|" + QByteArray::number(month) + "|100|150.5|\r\n";
            break;
        default: {
            // Series unique per type and month: 0000-9999, then A000-Z999.
            const int n = i / 12;
            const int s = n / 4;
            const QByteArray series = s < 10000
                ? QByteArray::number(s).rightJustified(4, '0')
                : char('A' + (s - 10000) / 1000 % 26)
                    + QByteArray::number((s - 10000) % 1000).rightJustified(3, '0');
            block += groupA[n % 4] + QByteArray("|") + series + '|'
                + QByteArray::number(month).rightJustified(i % 2 + 1, '0') + '|' + total + '|'
                + taxed + "|\r\n";
            break;
        }
        }
        if (block.size() > (1 << 20) - 256) {
            if (f.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    return f.write(block) == block.size();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    const QDir dir(folder);
    if (!temporary.isValid() || !dir.exists()) {
        std::fprintf(stderr, "bench_import: no temporary folder\n");
        return 1;
    }
    std::FILE *null = std::fopen("/dev/null", "w");
    if (!null)
        return 1;

    std::printf("peak RSS at start: %ld KiB\n", peakRssKiB());
    const int sizes[] = {100000, 1000000};
    QStringList files;
    for (const int lines : sizes) {
        const QString path = dir.filePath(QStringLiteral("7093%1.TXT").arg(lines));
        QElapsedTimer gen;
        gen.start();
        if (!generate(path, lines)) {
            std::fprintf(stderr, "bench_import: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%d lines, %.1f MB, generated in %lld ms\n", lines,
                    double(QFile(path).size()) / 1e6, gen.elapsed());
        files << path;
    }

    // The program itself on the largest file, output to the null device. It runs before
    // anything is checked here: a child's peak memory includes the memory of this process
    // at the moment it was started.
    const QByteArray program =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/decltool")).toLocal8Bit();
    const QByteArray file = files.last().toLocal8Bit();
    char *childArgs[] = {const_cast<char *>(program.constData()),
                         const_cast<char *>("check-import"), const_cast<char *>(file.constData()),
                         const_cast<char *>("--year"), const_cast<char *>("2013"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.constData(), &actions, nullptr, childArgs, environ) != 0) {
        std::fprintf(stderr, "bench_import: cannot start %s\n", program.constData());
        return 1;
    }
    int childStatus = 0;
    rusage usage{};
    wait4(pid, &childStatus, 0, &usage);
    const qint64 elapsed = t.elapsed();
    posix_spawn_file_actions_destroy(&actions);
    std::printf("\ndecltool check-import, %d lines, separate process: %lld ms, exit %d, "
                "peak RSS %ld KiB (at least this process's %ld KiB)\n",
                sizes[1], elapsed, WIFEXITED(childStatus) ? WEXITSTATUS(childStatus) : -1,
                usage.ru_maxrss, peakRssKiB());

    for (int f = 0; f < files.size(); ++f) {
        std::vector<double> times;
        int status = 0;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer timer;
            timer.start();
            status = decltool::checkImport({files[f], QStringLiteral("2013"), QString()}, null,
                                           stderr);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::sort(times.begin(), times.end());
        std::printf("\n%d lines, in-process check-import: best %.1f ms, median %.1f ms "
                    "(%d runs, exit %d), %.2f M lines/s\n",
                    sizes[f], times.front(), times[times.size() / 2], runs, status,
                    sizes[f] / times.front() / 1000.0);
        std::printf("  peak RSS of this process so far: %ld KiB\n", peakRssKiB());
    }
    std::fclose(null);
    return benchTransfer(runs, folder);
}
