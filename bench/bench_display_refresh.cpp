// Display refresh while the clock runs, with a class of one participant.
// Run under a real X server: xvfb-run -a ./build-bench/bench/bench_display_refresh
#include "DisplayRefresh.h"
#include "core/startlist/ListFile.h"
#include "core/system/ProgramFolder.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    overrideProgramFolder(folder.path());
    StartList list;
    list.add();
    if (!WriteListFile(list, ClassListPath(1)).ok())
        return 1;

    ShownMainWindow shown;
    if (!shown.show())
        return 1;
    measureDisplayRefresh(shown.window);
    return 0;
}
