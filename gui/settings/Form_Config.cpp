#include "gui/settings/Form_Config.h"

#include "core/barrier/SerialDevices.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/common/TranslateWindow.h"
#include "gui/common/WindowLook.h"
#include "gui/widgets/ColorButton.h"
#include "gui/widgets/StatusLamp.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include <utility>

namespace {
QLabel *label(const QString &text, QWidget *parent, const QRect &geometry, Qt::Alignment alignment = Qt::AlignLeft)
{
    auto *result = new QLabel(text, parent);
    result->setGeometry(geometry);
    result->setAlignment(alignment | Qt::AlignVCenter);
    return result;
}

QComboBox *fixedList(const char *name, const QStringList &items, QWidget *parent, const QRect &geometry)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->addItems(items);
    list->setEditable(false);
    list->setMaxVisibleItems(items.size());
    list->setGeometry(geometry);
    return list;
}
} // namespace

TfrmConfig::TfrmConfig(SettingsStore &store, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_store(store)
{
    const WindowCreation creation(this);
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(tr("Configuration"));
    setFixedSize(270, 297);
    setFont(arialBold(13));
    centreOnScreen(this);

    auto *lazer = new QGroupBox(tr("Lazer"), this);
    lazer->setObjectName(QStringLiteral("GroupBox1"));
    lazer->setGeometry(4, 4, 257, 89);
    label(tr("COM-Port:"), lazer, QRect(8, 16, 69, 17));
    label(tr("Contact:"), lazer, QRect(84, 16, 69, 17))->setObjectName(QStringLiteral("Label6"));
    label(tr("Alg.:"), lazer, QRect(156, 16, 69, 17));
    QStringList ports {tr("None")};
    for (int n = 1; n <= 16; ++n)
        ports << tr("COM %1").arg(n);
    cmbComPort = fixedList("cmbComPort", ports, lazer, QRect(8, 32, 69, 25));
    cmbContact = fixedList("cmbContact",
                           {QStringLiteral("4-1"), QStringLiteral("4-6"), QStringLiteral("7-8"), QStringLiteral("7-9")},
                           lazer, QRect(84, 32, 69, 25));
    cmbAlg = fixedList("cmbAlg", {tr("On"), tr("Off")}, lazer, QRect(160, 32, 69, 25));
    m_lamp = new StatusLamp(lazer);
    m_lamp->setObjectName(QStringLiteral("StatusLamp"));
    m_lamp->setGeometry(232, 32, 21, 25);
    chkAutoLock = new QCheckBox(tr("Automatic Lock"), lazer);
    chkAutoLock->setObjectName(QStringLiteral("chkAutoLock"));
    chkAutoLock->setGeometry(8, 60, 241, 21);

    auto *colors = new QGroupBox(tr("Protocol Colors"), this);
    colors->setObjectName(QStringLiteral("GroupBox2"));
    colors->setGeometry(4, 96, 257, 113);
    const struct
    {
        const char *name;
        const char *text;
        int top;
    } rows[] = {
        {"clrDefault", QT_TR_NOOP("Default Cell Color:"), 12},
        {"clrActive", QT_TR_NOOP("Active Cell Color:"), 36},
        {"clrAccepted", QT_TR_NOOP("Accepted Results:"), 60},
        {"clrUndefined", QT_TR_NOOP("Undefined Results:"), 84},
    };
    ColorButton **buttons[] = {&clrDefault, &clrActive, &clrAccepted, &clrUndefined};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        label(tr(rows[i].text), colors, QRect(8, rows[i].top + 4, 193, 17), Qt::AlignRight);
        auto *button = new ColorButton(colors);
        button->setObjectName(QLatin1String(rows[i].name));
        button->setGeometry(208, rows[i].top, 41, 22);
        button->setAccessibleName(tr(rows[i].text));
        connect(button, &ColorButton::colorChanged, this, [this] { emit colorsChanged(protocolColors()); });
        *buttons[i] = button;
    }

    auto *backup = new QGroupBox(tr("Backup Copy"), this);
    backup->setObjectName(QStringLiteral("GroupBox3"));
    backup->setGeometry(4, 212, 257, 49);
    edtBackupFolder = new QLineEdit(backup);
    edtBackupFolder->setObjectName(QStringLiteral("edtBackupFolder"));
    edtBackupFolder->setGeometry(8, 18, 205, 25);
    edtBackupFolder->setClearButtonEnabled(true);
    edtBackupFolder->setPlaceholderText(tr("none"));
    edtBackupFolder->setAccessibleName(tr("Backup folder"));
    edtBackupFolder->setToolTip(tr("After every save the class files and the journal are copied here, "
                                   "onto a USB stick for example. Empty: no copy."));
    auto *choose = new QPushButton(QStringLiteral("\u2026"), backup);
    choose->setObjectName(QStringLiteral("cmdBackupFolder"));
    choose->setGeometry(218, 18, 31, 25);
    choose->setAccessibleName(tr("Choose backup folder"));
    connect(choose, &QPushButton::clicked, this, &TfrmConfig::cmdBackupFolderClick);
    connect(edtBackupFolder, &QLineEdit::textChanged, this, [this] {
        edtBackupFolder->setToolTip(edtBackupFolder->text());
        if (m_shownBackupFolder != backupFolder()) {
            m_shownBackupFolder = backupFolder();
            emit backupFolderChanged(m_shownBackupFolder);
        }
    });

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(48, 264, 81, 29);
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setGeometry(140, 264, 81, 29);
    connect(ok, &QPushButton::clicked, this, &TfrmConfig::cmdOKClick);
    connect(cancel, &QPushButton::clicked, this, &TfrmConfig::cmdCancelClick);
    connect(chkAutoLock, &QCheckBox::toggled, this, &TfrmConfig::autoLockChanged);
    for (QComboBox *list : {cmbComPort, cmbContact, cmbAlg})
        connect(list, &QComboBox::currentIndexChanged, this, &TfrmConfig::barrierChanged);
    listSerialDevices();

    // The defaults stand until the first reading replaces them.
    for (const auto &[button, key] : colorKeys())
        button->setColor(std::uint32_t(key->fallback));
    cmbContact->setCurrentIndex(Setting::ContactIndex.fallback);
    chkAutoLock->setChecked(Setting::AutoLock.fallback);
    showFailure(LoadSettings());
}

TfrmConfig::~TfrmConfig() = default;

FileResult TfrmConfig::LoadSettings()
{
    for (const auto &[list, key] :
         {std::pair {cmbComPort, &Setting::ComPort}, std::pair {cmbContact, &Setting::ContactIndex},
          std::pair {cmbAlg, &Setting::AlgorithmIndex}}) {
        const Result<int> index = m_store.read(*key);
        if (!index)
            return index.error();
        // An index outside the list leaves it without a selection.
        list->setCurrentIndex(index.value() >= 0 && index.value() < list->count() ? index.value() : -1);
    }
    const Result<bool> autoLock = m_store.read(Setting::AutoLock);
    if (!autoLock)
        return autoLock.error();
    chkAutoLock->setChecked(autoLock.value());
    for (const auto &[button, key] : colorKeys()) {
        const Result<int> color = m_store.read(*key);
        if (!color)
            return color.error();
        // Only 24-bit colours are colours; anything else keeps the colour's default.
        button->setColor(
            std::uint32_t(color.value() >= 0 && color.value() <= 0xFFFFFF ? color.value() : key->fallback));
    }
    const Result<QString> backupFolder = m_store.read(Setting::BackupFolder);
    if (!backupFolder)
        return backupFolder.error();
    edtBackupFolder->setText(backupFolder.value());
    return {};
}

FileResult TfrmConfig::SaveSettings()
{
    for (const auto &[list, key] :
         {std::pair {cmbComPort, &Setting::ComPort}, std::pair {cmbContact, &Setting::ContactIndex},
          std::pair {cmbAlg, &Setting::AlgorithmIndex}}) {
        if (FileResult written = m_store.write(*key, list->currentIndex()); !written)
            return written;
    }
    if (FileResult written = m_store.write(Setting::AutoLock, chkAutoLock->isChecked()); !written)
        return written;
    for (const auto &[button, key] : colorKeys()) {
        if (FileResult written = m_store.write(*key, int(button->color())); !written)
            return written;
    }
    return m_store.write(Setting::BackupFolder, backupFolder());
}

std::array<std::pair<ColorButton *, const SettingKey<int> *>, 4> TfrmConfig::colorKeys() const
{
    return {{{clrDefault, &Setting::DefaultColor},
             {clrActive, &Setting::ActiveColor},
             {clrAccepted, &Setting::AcceptedColor},
             {clrUndefined, &Setting::UndefinedColor}}};
}

bool TfrmConfig::autoLock() const
{
    return chkAutoLock->isChecked();
}

ProtocolColors TfrmConfig::protocolColors() const
{
    return {clrDefault->color(), clrActive->color(), clrAccepted->color(), clrUndefined->color()};
}

int TfrmConfig::comPort() const
{
    return cmbComPort->currentIndex();
}

int TfrmConfig::contactIndex() const
{
    return cmbContact->currentIndex();
}

bool TfrmConfig::barrierAlgorithmOn() const
{
    return cmbAlg->currentIndex() == 0;
}

QString TfrmConfig::backupFolder() const
{
    const QString folder = edtBackupFolder->text().trimmed();
    return folder.isEmpty() ? QString() : QDir::cleanPath(QDir::fromNativeSeparators(folder));
}

void TfrmConfig::cmdBackupFolderClick()
{
    const QString chosen = OperatorDialogs::getExistingFolder(this, tr("Backup folder"), backupFolder());
    if (!chosen.isEmpty())
        edtBackupFolder->setText(QDir::toNativeSeparators(chosen));
}

void TfrmConfig::showLineLevel(bool lit)
{
    m_lamp->setLit(lit);
}

void TfrmConfig::showEvent(QShowEvent *event)
{
    // Adapters come and go between two openings of the dialog.
    if (!event->spontaneous())
        listSerialDevices();
    QDialog::showEvent(event);
}

void TfrmConfig::listSerialDevices()
{
    const QStringList devices = barrierPorts().devices();
    for (int n = 1; n < cmbComPort->count(); ++n) {
        cmbComPort->setItemText(
            n, n <= devices.size() ? tr("COM %1 (%2)").arg(n).arg(devices.at(n - 1)) : tr("COM %1").arg(n));
    }
    // The list is wider than the closed box, so the device names can be read.
    cmbComPort->view()->setMinimumWidth(cmbComPort->view()->sizeHintForColumn(0) + 8);
    cmbComPort->setToolTip(cmbComPort->currentText());
}

void TfrmConfig::showFailure(const FileResult &result)
{
    if (!result)
        OperatorDialogs::showError(this, result.error().message());
}

void TfrmConfig::cmdOKClick()
{
    accept();
}

void TfrmConfig::cmdCancelClick()
{
    reject();
}

void TfrmConfig::accept()
{
    // The dialog closes even when the values could not be stored; the controls keep them.
    showFailure(SaveSettings());
    QDialog::accept();
}

void TfrmConfig::reject()
{
    showFailure(LoadSettings());
    QDialog::reject();
}
