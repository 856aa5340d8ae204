#include "gui/live/LiveSettingsDialog.h"

#include "core/settings/SettingsStore.h"
#include "gui/common/OperatorDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QNetworkInterface>
#include <QPushButton>
#include <QSpinBox>

LiveSettingsDialog::LiveSettingsDialog(SettingsStore &store, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_store(store)
    , chkLiveEnabled(new QCheckBox(tr("Offer live results"), this))
    , edtLivePort(new QSpinBox(this))
    , cmbLiveAddress(new QComboBox(this))
{
    setObjectName(QStringLiteral("frmLive"));
    setWindowTitle(tr("Live results"));
    chkLiveEnabled->setObjectName(QStringLiteral("chkLiveEnabled"));
    edtLivePort->setObjectName(QStringLiteral("edtLivePort"));
    edtLivePort->setRange(1, 65535);
    cmbLiveAddress->setObjectName(QStringLiteral("cmbLiveAddress"));
    cmbLiveAddress->setEditable(true);
    cmbLiveAddress->addItem(tr("All interfaces"), QString());
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (!address.isLinkLocal())
            cmbLiveAddress->addItem(address.toString(), address.toString());
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &LiveSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LiveSettingsDialog::reject);
    auto *layout = new QFormLayout(this);
    layout->addRow(chkLiveEnabled);
    layout->addRow(tr("Port:"), edtLivePort);
    layout->addRow(tr("Interface:"), cmbLiveAddress);
    layout->addRow(buttons);
}

void LiveSettingsDialog::showSettings(const LiveSettings &settings)
{
    chkLiveEnabled->setChecked(settings.enabled);
    edtLivePort->setValue(settings.port);
    const int index = cmbLiveAddress->findData(settings.address);
    if (index >= 0)
        cmbLiveAddress->setCurrentIndex(index);
    else
        cmbLiveAddress->setEditText(settings.address);
}

LiveSettings LiveSettingsDialog::settings() const
{
    LiveSettings result;
    result.enabled = chkLiveEnabled->isChecked();
    result.port = edtLivePort->value();
    const int index = cmbLiveAddress->findText(cmbLiveAddress->currentText());
    result.address = index >= 0 ? cmbLiveAddress->itemData(index).toString() : cmbLiveAddress->currentText().trimmed();
    return result;
}

void LiveSettingsDialog::accept()
{
    const LiveSettings chosen = settings();
    // The server follows the dialog even when the file cannot keep the values.
    if (const FileResult saved = chosen.save(m_store); !saved)
        OperatorDialogs::showError(this, saved.error().message());
    QDialog::accept();
    emit settingsAccepted(chosen);
}
