#include "core/Version.h"
#include "core/backup/BackupCopy.h"
#include "core/i18n/Localisation.h"
#include "core/session/RaceSession.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/system/DataFolder.h"
#include "core/system/TerminationSignals.h"
#include "gui/common/TranslateWindow.h"
#include "gui/common/WindowLook.h"
#include "gui/timing/Form_Main.h"
#include "gui/timing/ProgramWindows.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
int runWindows(QApplication &app, TerminationSignals &terminationSignals)
{
    // The race day first: the windows are handed its services and create none of their own.
    RaceSession session;
    ClassStore &store = session.store();
    TfrmMain frmMain(session);
    // A second copy has asked the first to come to the front. It ends here, before the start
    // list editor loads a class file, so it cannot write anything.
    if (!frmMain.isFirstCopy())
        return 0;

    bool ending = false;
    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &frmMain, [&] {
        ending = true;
        frmMain.closeWithoutQuestions();
    });

    // Only the one running copy may tidy its folder; nothing has been saved yet.
    ClassStore::removeStaleTemporaryFiles();

    // The start list editor loads the class in use when the program last ended as it is created.
    store.chooseFirstClass(SettingsStore().read(Setting::LastClass).value_or(Setting::LastClass.fallback));
    QObject::connect(&store, &ClassStore::classLoaded, &frmMain, [](int classIndex) {
        // Lost, the next start opens the first class.
        [[maybe_unused]] const FileResult written = SettingsStore().write(Setting::LastClass, classIndex);
    });
    const ProgramWindows windows(frmMain);
    // A signal that came while a start-up message was open has ended the program already.
    if (ending)
        return 0;

    frmMain.show();
    return app.exec();
}
} // namespace

int main(int argc, char *argv[])
{
    // Asked by a package tool or a club's administrator: no window, no display needed.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("zorvexa %s\n", ZorvexaVersion);
        return 0;
    }
    // The program takes no other arguments, not even the toolkit's own.
    int onlyProgramName = 1;
    QApplication app(onlyProgramName, argv);
    setApplicationIdentity();
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QLatin1String(ZorvexaApplicationId));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/%1.svg").arg(QLatin1String(ZorvexaApplicationId))));

    // Installed first, so an ending signal that arrives during start-up waits for the first event
    // loop: a start-up message's or the program's.
    TerminationSignals terminationSignals;

    // German from here on, before the first window: every window translates itself as it is built.
    const Localisation localisation;
    showCatalogueErrors();

    // A value that cannot be read counts as none: the class files must live somewhere.
    setConfiguredDataFolder(SettingsStore().read(Setting::DataFolder).value_or(QString()));
    const int code = runWindows(app, terminationSignals);
    // Everything is saved; a copy stuck on a hanging stick may still use what the usual ending
    // would tear down, and must not keep the process alive.
    if (BackupCopier::copyAbandoned()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
