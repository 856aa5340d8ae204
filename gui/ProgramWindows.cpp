#include "gui/ProgramWindows.h"

#include "gui/Form_Main.h"

ProgramWindows::ProgramWindows(ClassStore &store, TfrmMain &main)
    : m_classes(m_classNames, m_settings, &main)
    , m_startList(store, &main)
    , m_config(m_settings, &main)
    , m_info(&main)
{
    m_startList.setClassEditorOpener([this] { m_classes.exec(); });
    m_startList.setUndoHandler([&main](bool backwards) { return main.undoStep(backwards); });
    main.setStartListEditor(&m_startList);
    main.setConfigDialog(&m_config);
    main.setInfoDialog(&m_info);
}
