#pragma once

#include "core/settings/ClassNames.h"
#include "gui/common/Form_Info.h"
#include "gui/settings/Form_Classes.h"
#include "gui/settings/Form_Config.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/BarrierWiring.h"

class TfrmMain;

// The dialogs beside the main window, created once in the program's order and tied to it and its
// race session: the class editor and the start list editor name the classes as the session's
// rules do, and the configuration dialog's settings are in force before the main window is shown.
// The session's light barrier follows the port the configuration dialog names.
class ProgramWindows final
{
    Q_DISABLE_COPY_MOVE(ProgramWindows)

public:
    explicit ProgramWindows(TfrmMain &main);

    TfrmClasses &classEditor() { return m_classes; }
    TfrmStartList &startListEditor() { return m_startList; }
    TfrmConfig &configuration() { return m_config; }
    TfrmInfo &information() { return m_info; }

private:
    ClassNames m_classNames;
    TfrmClasses m_classes;
    TfrmStartList m_startList;
    TfrmConfig m_config;
    TfrmInfo m_info;
    BarrierWiring m_barrier;
};
