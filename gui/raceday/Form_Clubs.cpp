#include "gui/raceday/Form_Clubs.h"

#include "core/settings/RaceDaySettings.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TfrmClubs::TfrmClubs(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmClubs"));
    setWindowTitle(tr("Club ranking"));
    resize(460, 420);
    auto *layout = new QVBoxLayout(this);
    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setWordWrap(true);
    layout->addWidget(lblTitle);
    tblClubs = new QTableWidget(0, 4, this);
    tblClubs->setObjectName(QStringLiteral("tblClubs"));
    tblClubs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblClubs->verticalHeader()->hide();
    tblClubs->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblClubs->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    layout->addWidget(tblClubs, 1);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TfrmClubs::~TfrmClubs() = default;

void TfrmClubs::showResults(const ClassResults &results)
{
    if (results.clubTitle.isEmpty()) {
        lblTitle->setText(tr("No info field holds the club: choose one under Event."));
        tblClubs->setRowCount(0);
        return;
    }
    lblTitle->setText(QStringLiteral("<b>%1</b> \u2013 %2")
                          .arg(results.className.toHtmlEscaped(), clubRankingTitle(results.clubBest).toHtmlEscaped()));
    tblClubs->setHorizontalHeaderLabels({tr("Place"), results.clubTitle, tr("Sum"), tr("Drivers")});
    tblClubs->setRowCount(int(results.clubs.size()));
    for (int r = 0; r < int(results.clubs.size()); ++r) {
        const ClubStanding &club = results.clubs[std::size_t(r)];
        const QStringList texts {club.place > 0 ? QString::number(club.place) : QString(), club.club,
                                 clubTotalText(club), QString::number(countedDrivers(club, results.clubBest))};
        for (int c = 0; c < texts.size(); ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            if (c != 1)
                item->setTextAlignment(Qt::AlignCenter);
            tblClubs->setItem(r, c, item);
        }
    }
}
