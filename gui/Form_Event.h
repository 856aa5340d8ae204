#pragma once

#include "core/settings/RaceDaySettings.h"

#include <QDialog>

#include <array>

class ClassStore;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QSpinBox;

// The race day: the event's name, place and date, the titles of Info1..Info3, the scoring mode
// and the club ranking. OK stores them in the settings and puts them in force; Cancel forgets
// what was typed. A new date offers to count the ages of imported drivers again (through store,
// when given, for the class it holds).
class TfrmEvent final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmEvent)

public:
    explicit TfrmEvent(QWidget *parent = nullptr, ClassStore *store = nullptr);
    ~TfrmEvent() override;

    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showSettings(const RaceDaySettings &settings);
    void offerToRecountAges(const QDate &date);

    ClassStore *m_store;
    QLineEdit *edtEventName;
    QLineEdit *edtPlace;
    QDateEdit *edtDate;
    std::array<QLineEdit *, 3> edtInfoName {};
    QComboBox *cmbScoring;
    QComboBox *cmbClubField;
    QSpinBox *edtClubBest;
};
