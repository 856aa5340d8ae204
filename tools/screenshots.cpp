// Pictures of the windows for the README: the real windows, filled with a sample event, each
// grabbed to a PNG. scripts/screenshots.sh runs this under a virtual X server.
#include "core/Version.h"
#include "core/i18n/Localisation.h"
#include "core/import/CsvTable.h"
#include "core/live/LiveServer.h"
#include "core/marks/MarksKeeper.h"
#include "core/marshal/MarshalDesk.h"
#include "core/protocol/ClassResults.h"
#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/startlist/StoreChange.h"
#include "core/system/ProgramFolder.h"
#include "core/timing/RunControl.h"
#include "gui/common/WindowLook.h"
#include "gui/raceday/Form_Clubs.h"
#include "gui/raceday/Form_Event.h"
#include "gui/raceday/Form_Import.h"
#include "gui/startlist/StartListPrintout.h"
#include "gui/timing/Form_Main.h"
#include "gui/timing/ProgramWindows.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPrintPreviewDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <cstdio>

namespace {
struct Sample
{
    const char *name;
    const char *age;
    const char *startNr;
    const char *club;
    std::int32_t time1, fp1, fs1, time2, fp2, fs2;
};

// Times in milliseconds; the last two have not driven their second run yet.
constexpr Sample Event[] = {
    {"Lena Brandt", "12", "101", "MSC Lahntal", 41230, 0, 0, 40870, 1, 0},
    {"Tim Okafor", "13", "102", "AC Hochwald", 39950, 2, 0, 40110, 0, 0},
    {"Mara Sievers", "12", "103", "MSC Lahntal", 42480, 0, 1, 41760, 0, 0},
    {"Jonas Petrak", "14", "104", "KSG Altmühl", 40310, 0, 0, 39880, 0, 0},
    {"Ella Nowak", "13", "105", "AC Hochwald", 43020, 1, 0, 42310, 1, 0},
    {"Finn Leclerc", "12", "106", "KSG Altmühl", 41770, 0, 0, 0, 0, 0},
    {"Ida Marquardt", "14", "107", "MSC Lahntal", 40640, 0, 0, 0, 0, 0},
};

bool writeSampleClass(const QString &path)
{
    StartList list;
    for (const Sample &s : Event) {
        list.add();
        const int row = list.count() - 1;
        list.setText(row, ListField::Name, QString::fromUtf8(s.name));
        list.setText(row, ListField::Age, QString::fromUtf8(s.age));
        list.setText(row, ListField::StartNr, QString::fromUtf8(s.startNr));
        list.setText(row, ListField::Info1, QString::fromUtf8(s.club));
        list.setWholeNumber(row, ListField::Time1, s.time1);
        list.setWholeNumber(row, ListField::FP1, s.fp1);
        list.setWholeNumber(row, ListField::FS1, s.fs1);
        list.setWholeNumber(row, ListField::Time2, s.time2);
        list.setWholeNumber(row, ListField::FP2, s.fp2);
        list.setWholeNumber(row, ListField::FS2, s.fs2);
    }
    return WriteListFile(list, path).ok();
}

bool save(QWidget &window, const QString &path)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    QTest::qWait(300);
    const bool saved = window.grab().save(path);
    QTextStream(stdout) << (saved ? "wrote " : "could not write ") << path << '\n';
    return saved;
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    // A home, settings and lock of its own: a running copy or the user's settings change nothing.
    QTemporaryDir sandbox;
    for (const char *sub : {"home", "runtime", "usr/bin", "usr/share/applications"})
        QDir(sandbox.path()).mkpath(QLatin1String(sub));
    QFile::setPermissions(sandbox.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(sandbox.filePath("home")));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(sandbox.filePath("runtime")));
    // Shown as an installed copy, which is how most users meet it.
    QFile entry(
        sandbox.filePath(QStringLiteral("usr/share/applications/%1.desktop").arg(QLatin1String(ZorvexaApplicationId))));
    if (!entry.open(QIODevice::WriteOnly))
        return 1;

    int onlyProgramName = 1;
    QApplication app(onlyProgramName, argv);
    setApplicationIdentity();
    // German, as the program always shows itself.
    const Localisation localisation;
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(output);

    overrideProgramFolder(sandbox.filePath("usr/bin"));
    if (!writeSampleClass(ClassListPath(1)))
        return 1;

    // Put together as the program does.
    RaceSession session;
    ClassStore &store = session.store();
    TfrmMain frmMain(session);
    if (!frmMain.isFirstCopy())
        return 1;
    ProgramWindows windows(frmMain);

    bool ok = save(frmMain, output + QStringLiteral("/main-window.png"));
    // "Bester Lauf": the value that ranks in a column of its own.
    RaceRules bestRun = session.rules();
    bestRun.scoring = ScoringMode::BestRun;
    session.setRules(bestRun);
    ok = save(frmMain, output + QStringLiteral("/main-window-best-run.png")) && ok;
    RaceRules sumOfRuns = bestRun;
    sumOfRuns.scoring = ScoringMode::SumOfRuns;
    session.setRules(sumOfRuns);
    const std::pair<QWidget *, const char *> dialogs[] = {
        {&windows.startListEditor(), "start-list-editor"},
        {&windows.classEditor(), "class-editor"},
        {&windows.configuration(), "configuration"},
        {&windows.information(), "info-dialog"},
    };
    for (const auto &[window, name] : dialogs) {
        ok = save(*window, output + QStringLiteral("/%1.png").arg(QLatin1String(name))) && ok;
        window->hide();
    }

    TfrmEvent event(session, &frmMain);
    ok = save(event, output + QStringLiteral("/event.png")) && ok;
    event.hide();

    // A club's entry list as it comes by e-mail: a row that cannot be read, a start number twice,
    // a letter the code page lacks and a class the program does not know yet.
    const ImportTable table = parseCsv("Start-Nr.;Nachname;Vorname;Jahrgang;Verein;Klasse\n"
                                       "21;Brandt;Lena;2014;MSC Lahntal;1\n"
                                       "22;Okafor;Tim;2013;AC Hochwald;1\n"
                                       "23;Sievers;Mara;201;MSC Lahntal;1\n"
                                       "24;Petrak;Jonas;2012;KSG Altm\xC3\xBChl;2\n"
                                       "22;Wr\xC3\xB3"
                                       "bel;\xC5\x81ucja;2013;AC Hochwald;1\n"
                                       "31;Haas;Emil;2018;MSC Lahntal;Bambini\n")
                                  .value();
    ImportContext context;
    context.classNames = session.rules().classNames;
    context.eventDate = session.rules().event.date;
    TfrmImport import(QStringLiteral("meldungen.csv"), table, context, session.rules().event.dateSet, &frmMain);
    ok = save(import, output + QStringLiteral("/import-preview.png")) && ok;
    import.hide();

    RaceRules rules = session.rules();
    rules.event.name = QStringLiteral("Kart-Slalom Lahntal");
    rules.event.place = QStringLiteral("Festplatz");
    rules.clubField = 1;
    rules.clubBest = 2;
    rules.infoTitles[0] = QStringLiteral("Verein");
    session.setRules(rules);
    TfrmClubs clubs(&frmMain);
    clubs.showResults(classResults(1, store.list(), session.marks().marks(), {}, session.rules()));
    ok = save(clubs, output + QStringLiteral("/club-ranking.png")) && ok;
    clubs.hide();

    printStartLists(&frmMain, store, session.rules());
    if (auto *preview = frmMain.findChild<QPrintPreviewDialog *>(QStringLiteral("StartListPreview"))) {
        preview->resize(820, 1000);
        ok = save(*preview, output + QStringLiteral("/start-list-preview.png")) && ok;
        preview->close();
    }

    // The marshal posts: their dialog with the live results on, then the presses beside the
    // protocol while a second run is on course.
    session.liveHost().start(QString(), 0);
    ok = QTest::qWaitFor([&] { return session.liveHost().isListening(); }, 5000) && ok;
    MarshalSettings posts;
    posts.enabled = true;
    posts.posts = {{1, QStringLiteral("Posten 1 \u2013 Start"), QStringLiteral("418207")},
                   {3, QStringLiteral("Posten 3 \u2013 Tor 7"), QStringLiteral("905316")},
                   {5, QStringLiteral("Posten 5 \u2013 Ziel"), QStringLiteral("260874")}};
    session.marshals().setSettings(posts);
    frmMain.findChild<QAction *>(QStringLiteral("actMarshalPosts"))->trigger();
    if (auto *dialog = frmMain.findChild<QDialog *>(QStringLiteral("frmMarshalPosts"))) {
        ok = save(*dialog, output + QStringLiteral("/marshal-posts.png")) && ok;
        dialog->findChild<QWidget *>(QStringLiteral("cmdOK"))->setFocus();
        QTest::keyClick(dialog->findChild<QWidget *>(QStringLiteral("cmdOK")), Qt::Key_Space);
    }
    session.runs().setRunNumber(2);
    session.runs().SelectParticipant(5);
    session.runs().StartRun(ChangeSource::Button);
    for (const auto &[post, fs] : {std::pair {3, false}, std::pair {1, true}, std::pair {3, false}}) {
        const MarshalPost *from = posts.post(post);
        session.marshals().apply({post, from->name, store.CurrentClass(), 6, 2, fs, 1, 0, QString()});
    }
    ok = save(frmMain, output + QStringLiteral("/main-window-marshals.png")) && ok;
    return ok ? 0 : 1;
}
