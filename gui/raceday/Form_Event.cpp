#include "gui/raceday/Form_Event.h"

#include "core/import/ImportedAges.h"
#include "core/session/RaceSession.h"
#include "core/settings/RaceRulesSettings.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/system/Clock.h"
#include "gui/common/OperatorDialogs.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

TfrmEvent::TfrmEvent(RaceSession &session, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("frmEvent"));
    setWindowTitle(tr("Event"));
    auto *layout = new QVBoxLayout(this);

    auto *event = new QGroupBox(tr("Event"), this);
    auto *eventForm = new QFormLayout(event);
    edtEventName = new QLineEdit(event);
    edtEventName->setObjectName(QStringLiteral("edtEventName"));
    edtPlace = new QLineEdit(event);
    edtPlace->setObjectName(QStringLiteral("edtPlace"));
    edtDate = new QDateEdit(event);
    edtDate->setObjectName(QStringLiteral("edtDate"));
    edtDate->setCalendarPopup(true);
    edtDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    eventForm->addRow(tr("&Name:"), edtEventName);
    eventForm->addRow(tr("&Place:"), edtPlace);
    eventForm->addRow(tr("&Date:"), edtDate);
    layout->addWidget(event);

    auto *fields = new QGroupBox(tr("Titles of the info fields (empty: Info1 to Info3)"), this);
    auto *fieldForm = new QFormLayout(fields);
    for (int i = 0; i < 3; ++i) {
        edtInfoName[std::size_t(i)] = new QLineEdit(fields);
        edtInfoName[std::size_t(i)]->setObjectName(QStringLiteral("edtInfo%1Name").arg(i + 1));
        edtInfoName[std::size_t(i)]->setPlaceholderText(QStringLiteral("Info%1").arg(i + 1));
        fieldForm->addRow(QStringLiteral("Info%1:").arg(i + 1), edtInfoName[std::size_t(i)]);
    }
    layout->addWidget(fields);

    auto *scoring = new QGroupBox(tr("Scoring"), this);
    auto *scoringForm = new QFormLayout(scoring);
    cmbScoring = new QComboBox(scoring);
    cmbScoring->setObjectName(QStringLiteral("cmbScoring"));
    cmbScoring->addItem(scoringModeText(ScoringMode::SumOfRuns));
    cmbScoring->addItem(scoringModeText(ScoringMode::BestRun));
    cmbClubField = new QComboBox(scoring);
    cmbClubField->setObjectName(QStringLiteral("cmbClubField"));
    edtClubBest = new QSpinBox(scoring);
    edtClubBest->setObjectName(QStringLiteral("edtClubBest"));
    edtClubBest->setRange(1, MaxClubBest);
    scoringForm->addRow(tr("&Ranking by:"), cmbScoring);
    scoringForm->addRow(tr("&Club in field:"), cmbClubField);
    scoringForm->addRow(tr("Club ranking counts the &best:"), edtClubBest);
    layout->addWidget(scoring);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmEvent::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

TfrmEvent::~TfrmEvent() = default;

void TfrmEvent::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        showSettings(raceDayOf(m_session.rules()));
}

void TfrmEvent::showSettings(const RaceDaySettings &settings)
{
    edtEventName->setText(settings.event.name);
    edtPlace->setText(settings.event.place);
    edtDate->setDate(settings.event.dateSet ? settings.event.date : today());
    // The club's field is named by the titles as they are in force.
    cmbClubField->clear();
    cmbClubField->addItem(tr("(none)"));
    for (int i = 1; i <= 3; ++i) {
        edtInfoName[std::size_t(i - 1)]->setText(settings.infoNames[std::size_t(i - 1)]);
        cmbClubField->addItem(m_session.rules().infoTitle(i));
    }
    cmbScoring->setCurrentIndex(int(settings.scoring));
    cmbClubField->setCurrentIndex(settings.clubField);
    edtClubBest->setValue(settings.clubBest);
}

void TfrmEvent::accept()
{
    RaceDaySettings settings;
    settings.event.name = edtEventName->text().simplified();
    settings.event.place = edtPlace->text().simplified();
    settings.event.date = edtDate->date();
    settings.event.dateSet = true;
    for (int i = 0; i < 3; ++i)
        settings.infoNames[std::size_t(i)] = edtInfoName[std::size_t(i)]->text().simplified();
    settings.scoring = ScoringMode(cmbScoring->currentIndex());
    settings.clubField = cmbClubField->currentIndex();
    settings.clubBest = edtClubBest->value();
    SettingsStore store;
    const FileResult written = writeRaceDaySettings(store, settings);
    if (!written) {
        OperatorDialogs::showError(this, written.error().message());
        return;
    }
    const QDate before = m_session.rules().event.date;
    const RaceRules &inForce = m_session.rules();
    m_session.setRules(raceRulesOf(settings, double(inForce.fpSeconds), double(inForce.fsSeconds), inForce.classNames));
    QDialog::accept();
    if (settings.event.date != before)
        offerToRecountAges(settings.event.date);
}

void TfrmEvent::offerToRecountAges(const QDate &date)
{
    const std::vector<int> classes = classesCountedAtOtherDate(date);
    if (classes.empty())
        return;
    QStringList names;
    for (int c : classes)
        names << m_session.rules().className(c);
    QWidget *owner = parentWidget() ? parentWidget() : this;
    if (!OperatorDialogs::askYesNo(
            owner,
            tr("The ages of the imported drivers of %1 were counted at another date.\n"
               "Count them again at %2?\n"
               "An age typed by hand since stays as it is.")
                .arg(names.join(QStringLiteral(", ")), date.toString(QStringLiteral("dd.MM.yyyy")))))
        return;
    int changed = 0;
    if (const FileResult counted = recountImportedAges(m_session.store(), date, changed); !counted)
        OperatorDialogs::showError(owner, counted.error().message());
}
