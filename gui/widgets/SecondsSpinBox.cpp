#include "gui/widgets/SecondsSpinBox.h"

#include "gui/widgets/DecimalSign.h"

#include <QLineEdit>
#include <QLocale>
#include <QWheelEvent>

SecondsSpinBox::SecondsSpinBox(QWidget *parent)
    : QDoubleSpinBox(parent)
{
    setDecimals(2);
    setRange(0, 100);
    setSingleStep(1);
    // A wheel turned over the editor gives it no focus.
    setFocusPolicy(Qt::StrongFocus);
}

double SecondsSpinBox::seconds() const
{
    return cleanText().isEmpty() ? 0.0 : value();
}

QValidator::State SecondsSpinBox::validate(QString &input, int &pos) const
{
    // Without this the editor would keep the old value while showing nothing.
    if (input.trimmed().isEmpty())
        return QValidator::Acceptable;
    takeEitherDecimalSign(input, locale());
    const QValidator::State state = QDoubleSpinBox::validate(input, pos);
    if (state != QValidator::Invalid)
        return state;
    // Refusing the key would leave "15" where "150" was typed; the top is the nearer reading.
    bool ok = false;
    const double typed = locale().toDouble(input.trimmed(), &ok);
    if (!ok || typed <= maximum())
        return state;
    input = textFromValue(maximum());
    pos = int(input.size());
    return QValidator::Acceptable;
}

double SecondsSpinBox::valueFromText(const QString &text) const
{
    if (text.trimmed().isEmpty())
        return 0.0;
    QString typed = text;
    takeEitherDecimalSign(typed, locale());
    return QDoubleSpinBox::valueFromText(typed);
}

void SecondsSpinBox::wheelEvent(QWheelEvent *event)
{
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QDoubleSpinBox::wheelEvent(event);
}

QString SecondsSpinBox::textFromValue(double value) const
{
    return locale().toString(value, 'g', 15);
}
