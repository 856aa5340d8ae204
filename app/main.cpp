#include "core/settings/ClassNames.h"
#include "core/settings/SettingsStore.h"
#include "core/i18n/Localisation.h"
#include "core/startlist/ClassStore.h"
#include "core/system/TerminationSignals.h"
#include "gui/Form_Classes.h"
#include "gui/Form_Config.h"
#include "gui/Form_Info.h"
#include "gui/Form_Main.h"
#include "gui/Form_StartList.h"
#include "gui/TranslateWindow.h"

#include <QApplication>

int main(int, char *argv[])
{
    // The program takes no arguments, not even the toolkit's own.
    int onlyProgramName = 1;
    QApplication app(onlyProgramName, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brasquell"));
    QCoreApplication::setApplicationName(QStringLiteral("Zorvexa"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Zorvexa"));

    // Installed first, so an ending signal that arrives during start-up waits for the window.
    TerminationSignals terminationSignals;

    // German from here on, before the first window: every window translates itself as it is built.
    const Localisation localisation;
    showCatalogueErrors();

    ClassStore store;
    TfrmMain frmMain(store);
    // A second copy has asked the first to come to the front. It ends here, before the start
    // list editor loads a class file, so it cannot write anything.
    if (!frmMain.isFirstCopy())
        return 0;

    // Created once, in this order: the start list editor loads class 1 and heads it with the
    // name the class editor has read.
    SettingsStore settings;
    ClassNames classNames;
    TfrmClasses frmClasses(classNames, settings, &frmMain);
    TfrmStartList frmStartList(store, &frmMain);
    TfrmConfig frmConfig(settings, &frmMain);
    TfrmInfo frmInfo(&frmMain);
    frmStartList.setClassEditorOpener([&frmClasses] { frmClasses.exec(); });
    frmMain.setStartListEditor(&frmStartList);
    frmMain.setConfigDialog(&frmConfig);
    frmMain.setInfoDialog(&frmInfo);

    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &frmMain, [&frmMain] {
        // End open dialogs the way their close box would, then end the program without a question.
        while (QWidget *modal = QApplication::activeModalWidget()) {
            if (modal == &frmMain || !modal->close())
                break;
        }
        frmMain.closeWithoutQuestions();
    });

    frmMain.show();
    return app.exec();
}
