#pragma once

#include "core/live/LiveSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;
class SettingsStore;

// The dialog that switches the live results on, with the port and the interface to listen on.
class LiveSettingsDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveSettingsDialog)

public:
    LiveSettingsDialog(SettingsStore &store, QWidget *parent = nullptr);

    void showSettings(const LiveSettings &settings);
    LiveSettings settings() const;
    void accept() override;

signals:
    void settingsAccepted(const LiveSettings &settings);

private:
    SettingsStore &m_store;
    QCheckBox *chkLiveEnabled;
    QSpinBox *edtLivePort;
    QComboBox *cmbLiveAddress;
};
