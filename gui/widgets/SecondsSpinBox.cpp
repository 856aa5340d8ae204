#include "gui/widgets/SecondsSpinBox.h"

#include <QLineEdit>
#include <QLocale>

SecondsSpinBox::SecondsSpinBox(QWidget *parent)
    : QDoubleSpinBox(parent)
{
    setDecimals(2);
    setRange(0, 100);
    setSingleStep(1);
}

double SecondsSpinBox::seconds() const
{
    return cleanText().isEmpty() ? 0.0 : value();
}

QString SecondsSpinBox::textFromValue(double value) const
{
    return locale().toString(value, 'g', 15);
}
