#include "gui/ProgramWindows.h"

#include "core/session/RaceSession.h"
#include "core/settings/RaceDaySettings.h"
#include "gui/Form_Main.h"
#include "gui/WindowLook.h"

ProgramWindows::ProgramWindows(ClassStore &store, TfrmMain &main)
    : m_classes(m_classNames, m_settings, &main)
    , m_startList(store, &main)
    , m_config(m_settings, &main)
    , m_info(&main)
    , m_barrier(main.runControl(), m_config, &main)
{
    // Titles and the event are in force before any window shows them; a failure keeps the defaults.
    (void)loadRaceDay();
    m_startList.setClassEditorOpener([this] { execInFrontOf(m_classes, m_startList); });
    // Class names are part of the rules every output heads its classes with.
    QObject::connect(&m_classes, &QDialog::finished, &main.session(), &RaceSession::reloadRules);
    m_startList.setUndoHandler([&main](bool backwards) { return main.undoStep(backwards); });
    main.watchBarrier(m_barrier);
    main.setStartListEditor(&m_startList);
    main.setConfigDialog(&m_config);
    main.setInfoDialog(&m_info);
}
