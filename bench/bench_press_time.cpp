// Recorded minus pressed time of runs timed with F5 and F8 through XTest on the real main window,
// under five loads. The pressed time is the X server's own stamp of each key, read by a second
// connection that listens to the main window's keys as well; the recorded time is the run's time
// as the run control gives it. Also the longest stall of the interface thread under each load.
// Usage: xvfb-run -a bench_press_time [pairs per load]   (default 200)
#include "bench/BenchFolder.h"
#include "core/import/XlsxTable.h"
#include "core/session/RaceSession.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "gui/timing/Form_Main.h"
#include "gui/timing/ProgramWindows.h"

#include <xlsxwriter.h>

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QWebSocket>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Last: Xlib's macros (None, Bool, KeyPress) would break Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {
constexpr int LivePort = 18'765;
constexpr int LiveClients = 200;
constexpr int WorkbookRows = 10'000;

struct Load
{
    const char *name;
    std::vector<pid_t> processes;
    std::atomic<bool> stop {false};
    std::thread worker;
};

pid_t spawn(const std::vector<const char *> &command)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> argv;
        for (const char *a : command)
            argv.push_back(const_cast<char *>(a));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void endProcesses(std::vector<pid_t> &processes)
{
    for (const pid_t pid : processes) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    processes.clear();
}

QString journalPath(const QString &folder)
{
    QDirIterator it(folder, {QStringLiteral("journal.sqlite")}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

bool writeWorkbook(const QString &path)
{
    lxw_workbook *book = workbook_new(path.toLocal8Bit().constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    const char *heads[] = {"Start-Nr.", "Nachname", "Vorname", "Jahrgang", "Verein", "Klasse"};
    for (int c = 0; c < 6; ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), heads[c], nullptr);
    for (int r = 1; r <= WorkbookRows; ++r) {
        worksheet_write_number(sheet, lxw_row_t(r), 0, 100 + r, nullptr);
        worksheet_write_string(sheet, lxw_row_t(r), 1, QStringLiteral("Müller-%1").arg(r).toUtf8().constData(),
                               nullptr);
        worksheet_write_string(sheet, lxw_row_t(r), 2, "Kim", nullptr);
        worksheet_write_number(sheet, lxw_row_t(r), 3, 2008 + r % 10, nullptr);
        worksheet_write_string(sheet, lxw_row_t(r), 4, "MSC Club", nullptr);
        worksheet_write_number(sheet, lxw_row_t(r), 5, 1 + r % 10, nullptr);
    }
    return workbook_close(book) == LXW_NO_ERROR;
}

// Socket clients of the live results, on a thread with its own event loop.
void liveClients(std::atomic<bool> &stop, std::atomic<int> &connected)
{
    QEventLoop loop;
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    for (int i = 0; i < LiveClients; ++i) {
        auto socket = std::make_unique<QWebSocket>();
        QObject::connect(socket.get(), &QWebSocket::connected, [&connected] { ++connected; });
        socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(LivePort)));
        sockets.push_back(std::move(socket));
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (stop)
            loop.quit();
    });
    poll.start(50);
    loop.exec();
}

struct Figures
{
    std::vector<double> errors;
    int lost = 0;
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p / 100.0 * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Waits for the press's own KeyPress event as the server stamped it.
unsigned long pressKey(Display *display, KeySym key)
{
    const KeyCode code = XKeysymToKeycode(display, key);
    XTestFakeKeyEvent(display, code, True, 0);
    XTestFakeKeyEvent(display, code, False, 0);
    XFlush(display);
    XEvent event;
    do
        XNextEvent(display, &event);
    while (event.type != KeyPress || event.xkey.keycode != code);
    return event.xkey.time;
}
} // namespace

int main(int argc, char *argv[])
{
    const int pairs = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    const char *loadNames[] = {"(a) idle", "(b) two processes burning CPU", "(c) journal locked by another process",
                               "(d) 10 000-row workbook read meanwhile", "(e) 200 live clients"};
    constexpr int Loads = 5;
    BenchFolder folder(QStringLiteral("press"));
    QApplication app(argc, argv);
    folder.use();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "needs an X server: run it under xvfb-run -a\n");
        return 1;
    }
    XInitThreads();
    (void)SettingsStore().write(Setting::LiveEnabled, true);
    (void)SettingsStore().write(Setting::LivePort, LivePort);
    (void)SettingsStore().write(Setting::LiveAddress, QStringLiteral("127.0.0.1"));

    StartList list;
    for (int i = 0; i < pairs * Loads; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Fahrer %1").arg(i + 1));
    }
    if (!WriteListFile(list, ClassListPath(1)).ok()) {
        std::fprintf(stderr, "cannot write the class file\n");
        return 1;
    }
    const QString workbook = QDir::currentPath() + QStringLiteral("/bench-press-import.xlsx");
    if (!writeWorkbook(workbook))
        return 1;

    RaceSession session;
    TfrmMain window(session);
    const ProgramWindows windows(window);
    window.show();
    window.activateWindow();
    QElapsedTimer shown;
    shown.start();
    while (!window.isActiveWindow() && shown.elapsed() < 5'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const Window target = Window(window.windowHandle()->winId());

    std::atomic<int> stops {0};
    std::atomic<int> recorded {0};
    QObject::connect(&window.runControl(), &RunControl::runStopped, &window,
                     [&](int, int, std::int32_t time, ChangeSource) {
                         recorded = time;
                         ++stops;
                     });
    // The interface thread's longest gap between two ticks of a 2 ms timer, per load.
    std::atomic<int> load {-1};
    std::vector<double> longestStall(Loads, 0.0);
    QElapsedTimer tickClock;
    tickClock.start();
    qint64 lastTick = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &window, [&] {
        const qint64 now = tickClock.nsecsElapsed();
        if (const int l = load; l >= 0 && lastTick > 0)
            longestStall[l] = std::max(longestStall[l], double(now - lastTick) / 1e6 - 2.0);
        lastTick = now;
    });
    ticker.start(2);

    std::vector<Figures> figures(Loads);
    std::thread presser([&] {
        Display *display = XOpenDisplay(nullptr);
        XSelectInput(display, target, KeyPressMask);
        XSetInputFocus(display, target, RevertToParent, CurrentTime);
        XSync(display, False);
        std::mt19937 random(7);
        for (int l = 0; l < Loads; ++l) {
            Load current {loadNames[l], {}, {}, {}};
            std::atomic<int> connected {0};
            if (l == 1) {
                for (int i = 0; i < 2; ++i)
                    current.processes.push_back(spawn({"sh", "-c", "while :; do :; done"}));
            } else if (l == 2) {
                const QByteArray path = journalPath(QDir::currentPath()).toLocal8Bit();
                if (path.isEmpty())
                    std::fprintf(stderr, "no journal found; load (c) runs without its lock\n");
                current.processes.push_back(
                    spawn({"python3", "-c",
                           "import sqlite3,sys,time\nc=sqlite3.connect(sys.argv[1],isolation_level=None)\n"
                           "c.execute('BEGIN EXCLUSIVE')\ntime.sleep(3600)",
                           path.constData()}));
                std::this_thread::sleep_for(std::chrono::milliseconds(800));
            } else if (l == 3) {
                current.worker = std::thread([&current, &workbook] {
                    while (!current.stop)
                        (void)readXlsxTable(workbook);
                });
            } else if (l == 4) {
                current.worker = std::thread([&current, &connected] { liveClients(current.stop, connected); });
                for (int wait = 0; wait < 100 && connected < LiveClients; ++wait)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                std::printf("%d live clients connected\n", int(connected));
            }
            load = l;
            for (int i = 0; i < pairs; ++i) {
                const int row = l * pairs + i;
                QMetaObject::invokeMethod(
                    &window, [&window, row] { window.SelectParticipant(row); }, Qt::BlockingQueuedConnection);
                std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 60));
                const int before = stops;
                const unsigned long start = pressKey(display, XK_F5);
                std::this_thread::sleep_for(std::chrono::milliseconds(100 + random() % 200));
                const unsigned long stop = pressKey(display, XK_F8);
                for (int wait = 0; wait < 1000 && stops == before; ++wait)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                if (stops == before) {
                    ++figures[l].lost;
                    continue;
                }
                figures[l].errors.push_back(double(recorded) - double(std::uint32_t(stop - start)));
            }
            load = -1;
            current.stop = true;
            if (current.worker.joinable())
                current.worker.join();
            endProcesses(current.processes);
        }
        XCloseDisplay(display);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    presser.join();

    std::printf("recorded minus pressed time of F5/F8 pairs, ms (%d pairs a load)\n", pairs);
    std::printf("%-42s %8s %8s %8s %8s %6s %12s\n", "load", "p50", "p99|e|", "max|e|", "min", "lost", "stall max");
    for (int l = 0; l < Loads; ++l) {
        std::vector<double> absolute;
        for (const double e : figures[l].errors)
            absolute.push_back(std::fabs(e));
        const auto [lo, hi] = std::minmax_element(figures[l].errors.begin(), figures[l].errors.end());
        std::printf("%-42s %8.1f %8.1f %8.1f %8.1f %6d %9.1f ms\n", loadNames[l], percentile(figures[l].errors, 50),
                    percentile(absolute, 99),
                    absolute.empty() ? 0.0 : *std::max_element(absolute.begin(), absolute.end()),
                    figures[l].errors.empty() ? 0.0 : *lo, figures[l].lost, longestStall[l]);
        (void)hi;
    }
    QFile::remove(workbook);
    return 0;
}
