#pragma once

#include "core/protocol/ProtocolModel.h"
#include "core/settings/SettingKey.h"
#include "core/system/FileResult.h"

#include <QDialog>

#include <array>
#include <utility>

class ColorButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class SettingsStore;
class StatusLamp;

// The configuration dialog. Its controls hold the settings in force: a change takes effect at
// once, Cancel reads the stored values back, and only OK stores them.
class TfrmConfig final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmConfig)

public:
    explicit TfrmConfig(SettingsStore &store, QWidget *parent = nullptr);
    ~TfrmConfig() override;

    // Reads the values into the controls; a value that is not text stops the reading there, and
    // the controls not read yet keep what they show.
    FileResult LoadSettings();
    // Writes the values from the controls, in a fixed order; a failure stops there.
    FileResult SaveSettings();

    bool autoLock() const;
    ProtocolColors protocolColors() const;
    // The light barrier as the controls hold it: port number (0 for none), contact index, and
    // whether "Alg." is On.
    int comPort() const;
    int contactIndex() const;
    bool barrierAlgorithmOn() const;
    // The status lamp shows the barrier's watched line: lit while the line is on.
    void showLineLevel(bool lit);
    // Where the second copy goes; empty for none.
    QString backupFolder() const;

    void accept() override;
    void reject() override;

signals:
    void autoLockChanged(bool on);
    void colorsChanged(const ProtocolColors &colors);
    void barrierChanged();
    // A backup folder chosen, typed or read back, as backupFolder() gives it.
    void backupFolderChanged(const QString &folder);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void listSerialDevices();
    void cmdBackupFolderClick();
    void cmdOKClick();
    void cmdCancelClick();
    void showFailure(const FileResult &result);
    std::array<std::pair<ColorButton *, const SettingKey<int> *>, 4> colorKeys() const;

    SettingsStore &m_store;
    QComboBox *cmbComPort;
    QComboBox *cmbContact;
    QComboBox *cmbAlg;
    StatusLamp *m_lamp;
    QCheckBox *chkAutoLock;
    ColorButton *clrDefault;
    ColorButton *clrActive;
    ColorButton *clrAccepted;
    ColorButton *clrUndefined;
    QLineEdit *edtBackupFolder;
    QString m_shownBackupFolder;
};
