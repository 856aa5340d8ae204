// Recorded minus pressed time of runs timed with F5 and F8 through XTest on the real main window,
// under five loads. The pressed time is the X server's own stamp of each key, read by a second
// connection that listens to the main window's keys as well; the recorded time is the run's time
// as the run control gives it. Also the longest stall of the interface thread under each load, how
// much of it the thread ran or waited for a core, and the events and paints that took longest.
// Usage: xvfb-run -a bench_press_time [pairs per load]   (default 200)
#include "bench/BenchFolder.h"
#include "core/import/XlsxTable.h"
#include "core/session/RaceSession.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/ThreadPriority.h"
#include "gui/timing/Form_Main.h"
#include "gui/timing/ProgramWindows.h"

#include <xlsxwriter.h>

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QPaintEvent>
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
#include <fcntl.h>
#include <map>
#include <random>
#include <sys/resource.h>
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
        // A session of its own, as a program started from the desktop has: the scheduler shares
        // the cores between sessions first.
        setsid();
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

// The load under way, or -1 between loads.
std::atomic<int> currentLoad {-1};

// The interface thread's events that took longest, to tell which work makes a stall.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    struct Slow
    {
        double ms;
        QByteArray what;
    };
    std::vector<Slow> slow;
    struct Paints
    {
        int count = 0;
        double total = 0, max = 0;
    };
    std::map<QByteArray, Paints> paints;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && QThread::currentThread() == thread()) {
            QElapsedTimer took;
            took.start();
            const bool done = QApplication::notify(receiver, event);
            const double ms = double(took.nsecsElapsed()) / 1e6;
            auto &p = paints[QByteArray(receiver->metaObject()->className()) + ' ' + receiver->objectName().toUtf8()];
            p.count++;
            p.total += ms;
            p.max = std::max(p.max, ms);
            if (ms >= 0.3)
                m_inEvent += ' ' + receiver->objectName().toUtf8() + '=' + QByteArray::number(ms, 'f', 1) + '('
                    + QByteArray::number(static_cast<QPaintEvent *>(event)->region().boundingRect().width()) + 'x'
                    + QByteArray::number(static_cast<QPaintEvent *>(event)->region().boundingRect().height()) + ')';
            return done;
        }
        if (m_depth > 0 || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        ++m_depth;
        m_inEvent.clear();
        QElapsedTimer took;
        took.start();
        const bool done = QApplication::notify(receiver, event);
        --m_depth;
        if (const double ms = double(took.nsecsElapsed()) / 1e6; ms >= 8.0)
            slow.push_back({ms,
                            "load " + QByteArray::number(currentLoad.load()) + ": "
                                + QByteArray(receiver->metaObject()->className()) + ' '
                                + receiver->objectName().toUtf8() + " event " + QByteArray::number(int(event->type()))
                                + m_inEvent});
        return done;
    }

private:
    int m_depth = 0;
    QByteArray m_inEvent;
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
    TimedApplication app(argc, argv);
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
    std::vector<double> longestStall(Loads, 0.0);
    // Of the longest stall, the time the interface thread itself ran: the rest it waited for a core.
    std::vector<double> stallWorking(Loads, 0.0);
    const auto threadCpuNs = [] {
        timespec t {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    qint64 lastCpu = 0;
    // Of the longest stall, how often the thread gave up its core (it waited on something) and how
    // often the core was taken from it.
    std::vector<std::pair<long, long>> stallSwitches(Loads);
    const auto switches = [] {
        rusage u {};
        getrusage(RUSAGE_THREAD, &u);
        return std::pair<long, long> {u.ru_nvcsw, u.ru_nivcsw};
    };
    std::pair<long, long> lastSwitches;
    // Of the longest stall, the time the thread was ready to run but waited for a core.
    std::vector<double> stallQueued(Loads, 0.0);
    const int schedstat = ::open("/proc/thread-self/schedstat", O_RDONLY);
    const auto queuedNs = [schedstat] {
        char text[128] {};
        long long ran = 0, queued = 0;
        if (pread(schedstat, text, sizeof text - 1, 0) > 0)
            std::sscanf(text, "%lld %lld", &ran, &queued);
        return qint64(queued);
    };
    qint64 lastQueued = 0;
    QElapsedTimer tickClock;
    tickClock.start();
    qint64 lastTick = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &window, [&] {
        const qint64 now = tickClock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        if (const int l = currentLoad; l >= 0 && lastTick > 0) {
            const double stall = double(now - lastTick) / 1e6 - 2.0;
            if (stall > longestStall[l]) {
                longestStall[l] = stall;
                stallWorking[l] = double(cpu - lastCpu) / 1e6;
                const auto after = switches();
                stallSwitches[l] = {after.first - lastSwitches.first, after.second - lastSwitches.second};
                stallQueued[l] = double(queuedNs() - lastQueued) / 1e6;
            }
        }
        lastTick = now;
        lastCpu = cpu;
        lastSwitches = switches();
        lastQueued = queuedNs();
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
                    // As the import's own reader does.
                    giveWayToInterface();
                    while (!current.stop)
                        (void)readXlsxTable(workbook);
                });
            } else if (l == 4) {
                current.worker = std::thread([&current, &connected] { liveClients(current.stop, connected); });
                for (int wait = 0; wait < 100 && connected < LiveClients; ++wait)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                std::printf("%d live clients connected\n", int(connected));
            }
            currentLoad = l;
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
            currentLoad = -1;
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
    std::printf("%-42s %8s %8s %8s %8s %6s %12s %12s %16s %12s\n", "load", "p50", "p99|e|", "max|e|", "min", "lost",
                "stall max", "of it ran", "gave, lost core", "queued");
    for (int l = 0; l < Loads; ++l) {
        std::vector<double> absolute;
        for (const double e : figures[l].errors)
            absolute.push_back(std::fabs(e));
        const auto [lo, hi] = std::minmax_element(figures[l].errors.begin(), figures[l].errors.end());
        std::printf("%-42s %8.1f %8.1f %8.1f %8.1f %6d %9.1f ms %9.1f ms %6ld,%-9ld %9.1f ms\n", loadNames[l],
                    percentile(figures[l].errors, 50), percentile(absolute, 99),
                    absolute.empty() ? 0.0 : *std::max_element(absolute.begin(), absolute.end()),
                    figures[l].errors.empty() ? 0.0 : *lo, figures[l].lost, longestStall[l], stallWorking[l],
                    stallSwitches[l].first, stallSwitches[l].second, stallQueued[l]);
        (void)hi;
    }
    std::sort(app.slow.begin(), app.slow.end(), [](const auto &a, const auto &b) { return a.ms > b.ms; });
    std::printf("interface-thread events of 8 ms or more: %zu\n", app.slow.size());
    for (std::size_t i = 0; i < std::min<std::size_t>(app.slow.size(), 15); ++i)
        std::printf("%8.1f ms  %s\n", app.slow[i].ms, app.slow[i].what.constData());
    std::vector<std::pair<QByteArray, TimedApplication::Paints>> paints(app.paints.begin(), app.paints.end());
    std::sort(paints.begin(), paints.end(),
              [](const auto &a, const auto &b) { return a.second.total > b.second.total; });
    for (std::size_t i = 0; i < std::min<std::size_t>(paints.size(), 15); ++i)
        std::printf("paint %-50s %6d times %9.1f ms in all, %6.2f ms at most\n", paints[i].first.constData(),
                    paints[i].second.count, paints[i].second.total, paints[i].second.max);
    QFile::remove(workbook);
    return 0;
}
