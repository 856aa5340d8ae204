#include "core/startlist/ClassStore.h"
#include "core/system/TerminationSignals.h"
#include "gui/Form_Info.h"
#include "gui/Form_Main.h"
#include "gui/Form_StartList.h"

#include <QApplication>

int main(int, char *argv[])
{
    // The program takes no arguments, not even the toolkit's own.
    int onlyProgramName = 1;
    QApplication app(onlyProgramName, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brasquell"));
    QCoreApplication::setApplicationName(QStringLiteral("Zorvexa"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Zorvexa"));

    // Installed first, so an ending signal that arrives during start-up waits for the first event
    // loop: a start-up message's or the program's.
    TerminationSignals terminationSignals;

    ClassStore store;
    TfrmMain frmMain(store);
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

    // Created once, in this order: the start list editor loads class 1 from the program folder.
    TfrmStartList frmStartList(store, &frmMain);
    TfrmInfo frmInfo(&frmMain);
    frmMain.setStartListEditor(&frmStartList);
    frmMain.setInfoDialog(&frmInfo);
    // A signal that came while a start-up message was open has ended the program already.
    if (ending)
        return 0;

    frmMain.show();
    return app.exec();
}
