#pragma once

#include "core/protocol/ProtocolModel.h"
#include "core/timing/RunControl.h"
#include "gui/timing/Form_Main.h"
#include "gui/widgets/OvrenLiquidIndicator.h"
#include "gui/widgets/PressButton.h"
#include "gui/widgets/ProtocolGrid.h"
#include "gui/widgets/SecondsSpinBox.h"
#include "gui/widgets/ShadowLabel.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>

// The main window's controls, found by their object names as a user's tool finds them.
struct MainWindowControls
{
    explicit MainWindowControls(QWidget *window)
        : Grid(find<ProtocolGrid>(window, "Grid"))
        , Tablo(find<TOvrenLiquidIndicator>(window, "Tablo"))
        , cmbClass(find<QComboBox>(window, "cmbClass"))
        , cmdHelp(find<QToolButton>(window, "cmdHelp"))
        , cmdStartlist(find<QToolButton>(window, "cmdStartlist"))
        , cmdStart(find<PressButton>(window, "cmdStart"))
        , cmdStop(find<PressButton>(window, "cmdStop"))
        , cmdLock(find<PressButton>(window, "cmdLock"))
        , cmdUnlock(find<PressButton>(window, "cmdUnlock"))
        , edtLauf(find<QSpinBox>(window, "edtLauf"))
        , edtFP(find<SecondsSpinBox>(window, "edtFP"))
        , edtFS(find<SecondsSpinBox>(window, "edtFS"))
        , imgLock(find<QLabel>(window, "imgLock"))
        , lblPartic(find<ShadowLabel>(window, "lblPartic"))
        , lblSaveWarning(find<QLabel>(window, "lblSaveWarning"))
        , runs(&qobject_cast<TfrmMain *>(window)->runControl())
        , model(static_cast<ProtocolModel *>(Grid->model()))
    {
    }

    ProtocolGrid *Grid;
    TOvrenLiquidIndicator *Tablo;
    QComboBox *cmbClass;
    QToolButton *cmdHelp;
    QToolButton *cmdStartlist;
    PressButton *cmdStart;
    PressButton *cmdStop;
    PressButton *cmdLock;
    PressButton *cmdUnlock;
    QSpinBox *edtLauf;
    SecondsSpinBox *edtFP;
    SecondsSpinBox *edtFS;
    QLabel *imgLock;
    ShadowLabel *lblPartic;
    QLabel *lblSaveWarning;
    RunControl *runs;
    ProtocolModel *model;

private:
    template<typename T> static T *find(QWidget *window, const char *name)
    {
        T *child = window->findChild<T *>(QLatin1String(name));
        if (!child)
            qFatal("no control %s", name);
        return child;
    }
};
