#include "gui/common/Form_Info.h"

#include "core/Version.h"
#include "core/system/DataFolder.h"

#include "gui/common/TranslateWindow.h"
#include "gui/common/WindowLook.h"
#include "gui/widgets/ShadowLabel.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

TfrmInfo::TfrmInfo(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    const WindowCreation creation(this);
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(tr("Info"));
    setFixedSize(312, 317);
    setFont(arialBold(13));
    // On the screen's middle, wherever the main window stands.
    centreOnScreen(this);

    auto *title = new ShadowLabel(this);
    title->setObjectName(QStringLiteral("lblTitle"));
    title->setGeometry(8, 4, 297, 41);
    title->setFont(arialBold(32));
    title->setText(QStringLiteral("Zorvexa"));
    title->setTextColor(QColor(0, 0, 128));
    title->setShadowColor(QColor(0, 255, 0));
    title->setBackgroundColor(QColor(192, 192, 192));

    auto *version = new QLabel(tr("Version %1").arg(QLatin1String(ZorvexaVersion)), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setGeometry(8, 52, 297, 17);
    version->setAlignment(Qt::AlignCenter);
    version->setAutoFillBackground(true);
    version->setStyleSheet(QStringLiteral("color: #000080; background: #c0c0c0;"));

    auto *about = new QLabel(tr("Timing of kart slalom events\n\n"
                                "Ten classes, two runs per participant,\n"
                                "penalties FP and FS turned into time.\n\n"
                                "Every recorded time and penalty is saved\n"
                                "to the class file at once."),
                             this);
    about->setObjectName(QStringLiteral("lblAbout"));
    about->setGeometry(8, 92, 297, 150);
    about->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    about->setFont(font());
    about->setStyleSheet(QStringLiteral("font-weight: normal; color: #303030;"));

    m_dataFolder = new QLabel(this);
    m_dataFolder->setObjectName(QStringLiteral("lblDataFolder"));
    m_dataFolder->setGeometry(8, 214, 297, 56);
    m_dataFolder->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont small = arialBold(11);
    small.setBold(false);
    m_dataFolder->setFont(small);
    m_dataFolder->setStyleSheet(QStringLiteral("color: #303030;"));
    showDataFolder();

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(184, 284, 121, 29);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmInfo::showEvent(QShowEvent *event)
{
    showDataFolder();
    QDialog::showEvent(event);
}

void TfrmInfo::showDataFolder()
{
    const DataFolderChoice folder = currentDataFolder();
    QString where;
    switch (folder.kind) {
    case DataFolderKind::Program:
        where = tr("Class files, beside the program:");
        break;
    case DataFolderKind::UserData:
        where = tr("Class files, in your data folder:");
        break;
    case DataFolderKind::Configured:
        where = tr("Class files, in the folder from the settings:");
        break;
    }
    const QString path = QDir::toNativeSeparators(folder.path);
    // Shorter as the shell writes it; a long path keeps its start and the folder's own name.
    const QString home = QDir::toNativeSeparators(QDir::homePath() + QLatin1Char('/'));
    const QString brief = path.startsWith(home) ? QStringLiteral("~/") + path.mid(home.size()) : path;
    const QString shown = m_dataFolder->fontMetrics().elidedText(brief, Qt::ElideMiddle, m_dataFolder->width());
    m_dataFolder->setText(where + QLatin1Char('\n') + shown);
    m_dataFolder->setToolTip(path);
}
