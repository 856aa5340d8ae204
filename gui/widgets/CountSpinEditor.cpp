#include "gui/widgets/CountSpinEditor.h"

#include "gui/widgets/DecimalSign.h"

#include <QLineEdit>
#include <QLocale>
#include <cmath>

CountSpinEditor::CountSpinEditor(QWidget *parent)
    : QAbstractSpinBox(parent)
{
    setFrame(false);
    setAlignment(Qt::AlignCenter);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

void CountSpinEditor::setText(const QString &text)
{
    lineEdit()->setText(text);
}

void CountSpinEditor::loadText(const QString &text)
{
    if (m_loaded)
        return;
    m_loaded = true;
    setText(text);
    lineEdit()->selectAll();
}

double CountSpinEditor::currentValue(bool *ok) const
{
    return QLocale().toDouble(text(), ok);
}

void CountSpinEditor::stepBy(int steps)
{
    bool ok = false;
    const double value = currentValue(&ok);
    const double base = ok ? std::floor(value) : 0.0;
    const double next = std::clamp(base + steps, double(Minimum), double(Maximum));
    setText(QString::number(int(next)));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled CountSpinEditor::stepEnabled() const
{
    bool ok = false;
    const double value = currentValue(&ok);
    if (!ok)
        return StepUpEnabled;
    StepEnabled result = StepNone;
    if (value < Maximum)
        result |= StepUpEnabled;
    if (value > Minimum)
        result |= StepDownEnabled;
    return result;
}

QValidator::State CountSpinEditor::validate(QString &input, int &) const
{
    takeEitherDecimalSign(input, QLocale());
    const QString point = QLocale().decimalPoint();
    bool seenPoint = false;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input.at(i);
        if (c.isDigit() && c.unicode() < 128)
            continue;
        if (i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')))
            continue;
        if (QStringView(input).sliced(i).startsWith(point) && !seenPoint) {
            seenPoint = true;
            i += point.size() - 1;
            continue;
        }
        return QValidator::Invalid;
    }
    // Anything the filter lets through is taken as typed; the grid refuses what is not a number.
    return QValidator::Acceptable;
}

void CountSpinEditor::fixup(QString &) const
{
}
