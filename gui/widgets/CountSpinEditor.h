#pragma once

#include <QAbstractSpinBox>

// In-place editor for penalty counts: the buttons step by 1 within 0..99, while a typed
// entry (digits, one decimal separator, a leading sign) is kept exactly as typed.
class CountSpinEditor final : public QAbstractSpinBox
{
    Q_OBJECT

public:
    static constexpr int Minimum = 0;
    static constexpr int Maximum = 99;

    explicit CountSpinEditor(QWidget *parent = nullptr);

    void setText(const QString &text);
    // The cell's value when the editor opens, selected so that what is typed replaces it. Only
    // the first call counts: a refresh of the row must not undo what the operator is typing.
    void loadText(const QString &text);
    bool isLoaded() const { return m_loaded; }

    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    double currentValue(bool *ok) const;

    bool m_loaded = false;
};
