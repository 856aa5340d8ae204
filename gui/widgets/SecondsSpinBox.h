#pragma once

#include <QDoubleSpinBox>

// Penalty seconds: whole steps, a typed fraction allowed, shown without trailing zeros.
class SecondsSpinBox final : public QDoubleSpinBox
{
    Q_OBJECT

public:
    explicit SecondsSpinBox(QWidget *parent = nullptr);

    // An empty editor counts as 0.
    double seconds() const;

protected:
    QString textFromValue(double value) const override;
};
