// Read and write of a start list of 100,000 entries, each against `wc -l` on the same file.
// Usage: bench_startlist [folder]          (default: a temporary folder)
//        bench_startlist --huge [folder]   also reads a 250 MiB file: a junk line of 150 MiB between
//                                          records and a 100 MiB name, to show the memory stays bounded
#include "core/startlist/ListFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {
constexpr int Entries = 100000;
constexpr int Rounds = 5;

StartList sampleList()
{
    StartList list;
    for (int i = 0; i < Entries; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Participant %1").arg(i));
        list.setText(i, ListField::Age, QString::number(8 + i % 10));
        list.setText(i, ListField::StartNr, QString::number(i + 1));
        if (i % 3 == 0)
            list.setText(i, ListField::Info1, QStringLiteral("Kart club %1").arg(i % 40));
        list.setWholeNumber(i, ListField::Time1, 40000 + (i * 37) % 30000);
        list.setWholeNumber(i, ListField::FP1, i % 3);
        list.setWholeNumber(i, ListField::FS1, i % 2);
        list.setWholeNumber(i, ListField::Time2, i % 4 == 0 ? 0 : 41000 + (i * 53) % 30000);
    }
    return list;
}

// Wall time of a child process, spawn included, as `time wc -l file` would show it.
double spawnMs(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    return ms;
}

template<typename Work> double bestMs(Work &&work)
{
    double best = 1e300;
    for (int r = 0; r < Rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();

    // Child mode: one read in a fresh process, so its peak memory is the read's own.
    if (args.size() == 3 && args.at(1) == QLatin1String("--read-once")) {
        rusage before {};
        getrusage(RUSAGE_SELF, &before);
        StartList list;
        const Result<bool> read = ReadListFile(list, args.at(2), false);
        rusage after {};
        getrusage(RUSAGE_SELF, &after);
        std::printf("%d %ld %ld\n", list.count(), before.ru_maxrss, after.ru_maxrss);
        return read.ok() ? 0 : 1;
    }

    const bool huge = args.size() > 1 && args.at(1) == QLatin1String("--huge");
    QTemporaryDir temporary;
    const qsizetype folderArg = huge ? 2 : 1;
    const QString folder = args.size() > folderArg ? args.at(folderArg) : temporary.path();
    const QString path = folder + QStringLiteral("/bench.zvx");
    const StartList list = sampleList();

    const double writeMs = bestMs([&] {
        if (!WriteListFile(list, path).ok())
            std::abort();
    });
    const qint64 bytes = QFile(path).size();
    const std::string file = path.toStdString();
    const double wcMs = bestMs([&] { spawnMs({"wc", "-l", file}); });
    // Only the read is timed; freeing the lists afterwards is not part of it.
    std::vector<StartList> lists(Rounds);
    int round = 0;
    const double readMs = bestMs([&] {
        StartList &back = lists[std::size_t(round++)];
        if (!ReadListFile(back, path, false).ok() || back.count() != Entries)
            std::abort();
    });

    std::printf("entries %d, lines %d, file %.1f MB\n", Entries, 2 + 13 * Entries, double(bytes) / 1e6);
    std::printf("wc -l      %8.2f ms (best of %d, spawn included)\n", wcMs, Rounds);
    std::printf("read       %8.2f ms  ratio %.2f\n", readMs, readMs / wcMs);
    std::printf("write      %8.2f ms  ratio %.2f (atomic, synced to disk)\n", writeMs, writeMs / wcMs);

    // Where the write's time goes: the same bytes written to a new file by the system alone,
    // without and with the sync, and renamed over the old file as the atomic write does.
    QFile written(path);
    const QByteArray content = written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
    written.close();
    const std::string rawPath = file + ".raw";
    const std::string rawTarget = file + ".target";
    const auto rawWrite = [&](bool sync) {
        return bestMs([&] {
            const int fd = ::open(rawPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0 || ::write(fd, content.constData(), std::size_t(content.size())) != content.size()
                || (sync && ::fdatasync(fd) != 0))
                std::abort();
            ::close(fd);
            if (sync && std::rename(rawPath.c_str(), rawTarget.c_str()) != 0)
                std::abort();
        });
    };
    const double rawMs = rawWrite(false);
    const double rawSyncMs = rawWrite(true);
    std::remove(rawPath.c_str());
    std::remove(rawTarget.c_str());
    std::printf("  system alone: write(2) %.2f ms (ratio %.2f); + fdatasync + rename %.2f ms (ratio %.2f)\n", rawMs,
                rawMs / wcMs, rawSyncMs, rawSyncMs / wcMs);

    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    std::string command = "'" + self + "' --read-once '" + file + "'";
    if (FILE *pipe = popen(command.c_str(), "r")) {
        int count = 0;
        long before = 0, after = 0;
        if (std::fscanf(pipe, "%d %ld %ld", &count, &before, &after) == 3)
            std::printf("read peak memory %.1f MB (process before the read %.1f MB, %d entries)\n",
                        double(after) / 1024.0, double(before) / 1024.0, count);
        pclose(pipe);
    }
    if (huge) {
        const QString hugePath = folder + QStringLiteral("/huge.zvx");
        QFile out(hugePath);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray junk(1 << 20, 'j');
        const QByteArray name(1 << 20, 'n');
        out.write("[ZVX1FILE]\r\n");
        // Just below MaxListFileSize, beyond which a file is refused unread.
        for (int i = 0; i < 150; ++i)
            out.write(junk);
        out.write("\r\n[ZVX1RECORD]\r\n");
        for (int i = 0; i < 100; ++i)
            out.write(name);
        out.write("\r\n\r\n\r\n\r\n\r\n\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n[ZVX1END]\r\n");
        out.close();
        const std::string hugeFile = hugePath.toStdString();
        const double hugeWc = spawnMs({"wc", "-l", hugeFile});
        QElapsedTimer timer;
        timer.start();
        std::string hugeCommand = "'" + self + "' --read-once '" + hugeFile + "'";
        if (FILE *pipe = popen(hugeCommand.c_str(), "r")) {
            int count = 0;
            long before = 0, after = 0;
            if (std::fscanf(pipe, "%d %ld %ld", &count, &before, &after) == 3)
                std::printf(
                    "huge file %.0f MB: read in a child %.0f ms (wc -l %.0f ms), peak memory %.1f MB, %d entries\n",
                    double(QFile(hugePath).size()) / 1e6, double(timer.elapsed()), hugeWc, double(after) / 1024.0,
                    count);
            pclose(pipe);
        }
        QFile::remove(hugePath);
    }
    return 0;
}
