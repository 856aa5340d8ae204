#include "app/Form_Info.h"
#include "app/Form_Main.h"
#include "app/TerminationSignals.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brasquell"));
    QCoreApplication::setApplicationName(QStringLiteral("Zorvexa"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Zorvexa"));

    TfrmMain frmMain;
    TfrmInfo frmInfo(&frmMain);
    frmMain.SetInfoDialog(&frmInfo);

    // A second copy has asked the first to come to the front; it ends without showing anything.
    if (!frmMain.IsFirstCopy())
        return 0;

    TerminationSignals terminationSignals;
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
