#include "app/Form_Info.h"
#include "app/Form_Main.h"
#include "app/TerminationSignals.h"
#include "startlist/Form_StartList.h"

#include <QApplication>
#include <QTimer>

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

    TfrmMain frmMain;
    // A second copy has asked the first to come to the front. It ends here, before the start
    // list editor loads a class file, so it cannot write anything.
    if (!frmMain.IsFirstCopy())
        return 0;

    // Created once, in this order: the start list editor needs the program folder the main
    // window has recorded.
    TfrmStartList frmStartList(&frmMain);
    TfrmInfo frmInfo(&frmMain);
    frmMain.SetStartListEditor(&frmStartList);
    frmMain.SetInfoDialog(&frmInfo);

    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &frmMain, [&frmMain] {
        // End open dialogs the way their close box would, then close the main window.
        while (QWidget *modal = QApplication::activeModalWidget()) {
            if (modal == &frmMain || !modal->close())
                break;
        }
        frmMain.close();
    });

    frmMain.show();
    return app.exec();
}
