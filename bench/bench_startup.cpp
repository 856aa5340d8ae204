// Start-up to the main window shown, and resident memory afterwards.
// Run under a real X server: xvfb-run -a ./build/bench/bench_startup
#include "core/i18n/Localisation.h"
#include "core/session/RaceSession.h"
#include "core/settings/ClassNames.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "gui/common/WindowLook.h"
#include "gui/timing/Form_Main.h"
#include "gui/timing/ProgramWindows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <cstdio>

namespace {
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}
} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    const qint64 appReady = clock.nsecsElapsed();

    // As the program starts: German from before the first window.
    setApplicationIdentity();
    const Localisation localisation;
    const qint64 beforeSession = clock.nsecsElapsed();
    RaceSession session;
    const qint64 sessionBuilt = clock.nsecsElapsed();
    TfrmMain frmMain(session);
    const qint64 mainBuilt = clock.nsecsElapsed();
    SettingsStore settings;
    ClassNames classNames;
    // The first reading of the settings file, before the dialogs read it again.
    const qint64 beforeSettings = clock.nsecsElapsed();
    (void)classNames.LoadClassNames(settings);
    (void)settings.read(Setting::ComPort);
    const qint64 settingsRead = clock.nsecsElapsed() - beforeSettings;
    const ProgramWindows windows(frmMain);
    const qint64 windowsCreated = clock.nsecsElapsed();
    frmMain.show();
    if (!QTest::qWaitForWindowExposed(&frmMain))
        return 1;
    const qint64 shown = clock.nsecsElapsed();
    QTest::qWait(200);

    std::printf("application object ready: %.1f ms\n", appReady / 1e6);
    std::printf("race session built in:     %.1f ms\n", (sessionBuilt - beforeSession) / 1e6);
    std::printf("main window built in:      %.1f ms\n", (mainBuilt - sessionBuilt) / 1e6);
    std::printf("settings first read:       %.2f ms\n", settingsRead / 1e6);
    std::printf("windows created:           %.1f ms\n", windowsCreated / 1e6);
    std::printf("main window shown:         %.1f ms\n", shown / 1e6);
    std::printf("resident memory:           %ld KiB\n", residentKb());
    return 0;
}
