#pragma once

#include "core/settings/RaceDaySettings.h"

#include <QDialog>

#include <array>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QSpinBox;
class RaceSession;

// The race day: the event's name, place and date, the titles of Info1..Info3, the scoring mode
// and the club ranking, as the session's rules hold them. OK stores them in the settings and puts
// them in force in the rules; Cancel forgets what was typed. A new date offers to count the ages of
// imported drivers again.
class TfrmEvent final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmEvent)

public:
    explicit TfrmEvent(RaceSession &session, QWidget *parent = nullptr);
    ~TfrmEvent() override;

    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showSettings(const RaceDaySettings &settings);
    void offerToRecountAges(const QDate &date);

    RaceSession &m_session;
    QLineEdit *edtEventName;
    QLineEdit *edtPlace;
    QDateEdit *edtDate;
    std::array<QLineEdit *, 3> edtInfoName {};
    QComboBox *cmbScoring;
    QComboBox *cmbClubField;
    QSpinBox *edtClubBest;
};
