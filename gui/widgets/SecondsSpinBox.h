#pragma once

#include <QDoubleSpinBox>

// Penalty seconds: whole steps, a typed fraction allowed, shown without trailing zeros. A typed
// number above the top reads as the top, and an emptied editor as 0. The wheel changes the value
// only while the editor has the focus: a wheel turned on the way past must not rescore a class.
class SecondsSpinBox final : public QDoubleSpinBox
{
    Q_OBJECT

public:
    explicit SecondsSpinBox(QWidget *parent = nullptr);

    double seconds() const;

    QValidator::State validate(QString &input, int &pos) const override;
    double valueFromText(const QString &text) const override;

protected:
    QString textFromValue(double value) const override;
    void wheelEvent(QWheelEvent *event) override;
};
