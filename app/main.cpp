#include "core/startlist/ClassStore.h"
#include "core/system/TerminationSignals.h"
#include "gui/Form_Info.h"
#include "gui/Form_Main.h"
#include "gui/Form_StartList.h"
#include "gui/WindowLook.h"

#include <QApplication>

int main(int, char *argv[])
{
    // The program takes no arguments, not even the toolkit's own.
    int onlyProgramName = 1;
    QApplication app(onlyProgramName, argv);
    setApplicationIdentity();

    // Installed first, so an ending signal that arrives during start-up waits for the window.
    TerminationSignals terminationSignals;

    ClassStore store;
    TfrmMain frmMain(store);
    // A second copy has asked the first to come to the front. It ends here, before the start
    // list editor loads a class file, so it cannot write anything.
    if (!frmMain.isFirstCopy())
        return 0;

    // Created once, in this order: the start list editor loads class 1 from the program folder.
    TfrmStartList frmStartList(store, &frmMain);
    TfrmInfo frmInfo(&frmMain);
    frmMain.setStartListEditor(&frmStartList);
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
