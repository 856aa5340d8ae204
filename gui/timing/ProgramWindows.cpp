#include "gui/timing/ProgramWindows.h"

#include "core/session/RaceSession.h"
#include "gui/common/WindowLook.h"
#include "gui/timing/Form_Main.h"

ProgramWindows::ProgramWindows(TfrmMain &main)
    : m_classes(main.session(), m_classNames, main.session().settings(), &main)
    , m_startList(main.session(), &main)
    , m_config(main.session().settings(), &main)
    , m_info(&main)
    , m_barrier(main.session(), m_config, &main)
{
    m_startList.setClassEditorOpener([this] { execInFrontOf(m_classes, m_startList); });
    m_startList.setUndoHandler([&main](bool backwards) { return main.undoStep(backwards); });
    main.setStartListEditor(&m_startList);
    main.setConfigDialog(&m_config);
    main.setInfoDialog(&m_info);
}
