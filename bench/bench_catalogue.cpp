// One lookup in the German catalogue, and what translating the five windows adds to start-up.
// Run: QT_QPA_PLATFORM=offscreen ./build/bench/bench_catalogue
#include "core/i18n/Localisation.h"
#include "core/session/RaceSession.h"
#include "core/settings/ClassNames.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/system/ProgramFolder.h"
#include "gui/common/Form_Info.h"
#include "gui/common/TranslateWindow.h"
#include "gui/settings/Form_Classes.h"
#include "gui/settings/Form_Config.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
struct Windows
{
    RaceSession session;
    ClassStore &store = session.store();
    SettingsStore settings;
    ClassNames classNames;
    TfrmMain frmMain {session};
    TfrmClasses frmClasses {session, classNames, settings, &frmMain};
    TfrmStartList frmStartList {session, &frmMain};
    TfrmConfig frmConfig {settings, &frmMain};
    TfrmInfo frmInfo {&frmMain};

    ~Windows() { frmMain.closeWithoutQuestions(); }
    std::vector<QWidget *> all() { return {&frmMain, &frmClasses, &frmStartList, &frmConfig, &frmInfo}; }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    // Class files and settings go to a throw-away folder, never the user's.
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch.path()));
    QApplication app(argc, argv);
    overrideProgramFolder(scratch.path());

    // The five windows in their designed English, then the walk that makes them German.
    std::vector<double> walks;
    {
        for (int round = 0; round < 15; ++round) {
            Windows windows;
            Localisation localisation;
            QElapsedTimer clock;
            clock.start();
            for (QWidget *window : windows.all())
                (void)TranslateWindow(window);
            walks.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
    }

    Localisation localisation;
    TDomain &domain = localisation.instance().FindOrCreateDomain("default");
    const QByteArray texts[] = {"Lazer",     "Zorvexa Starlist Editor", "&Add row",   "Protocol Colors",
                                "COM-Port:", "Save list as...",         "Merge list", "Unknown text"};
    (void)domain.Lookup(texts[0]);
    constexpr int Lookups = 4'000'000;
    std::vector<double> lookupNs, translateNs;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer clock;
        clock.start();
        qsizetype sink = 0;
        for (int i = 0; i < Lookups; ++i)
            sink += domain.Lookup(texts[i & 7]).value().size();
        lookupNs.push_back(double(clock.nsecsElapsed()) / Lookups);
        const QString wide[] = {QStringLiteral("Lazer"), QStringLiteral("Zorvexa Starlist Editor"),
                                QStringLiteral("COM-Port:"), QStringLiteral("Unknown text")};
        clock.restart();
        for (int i = 0; i < Lookups / 10; ++i)
            sink += localisation.instance().TranslateInDomain("default", wide[i & 3]).value().size();
        translateNs.push_back(double(clock.nsecsElapsed()) / (Lookups / 10));
        if (sink == 42)
            std::puts("");
    }

    std::printf("catalogue lookup (TDomain::Lookup, UTF-8 in place): %.1f ns median of 5 x %d\n", median(lookupNs),
                Lookups);
    std::printf("TranslateInDomain (wide text in and out):           %.1f ns median of 5 x %d\n", median(translateNs),
                Lookups / 10);
    std::printf(
        "TranslateWindow, all five windows together:         %.2f ms median of %zu rounds (min %.2f, max %.2f)\n",
        median(walks), walks.size(), *std::min_element(walks.begin(), walks.end()),
        *std::max_element(walks.begin(), walks.end()));
    return 0;
}
