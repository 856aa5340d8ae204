#include "gui/journal/HandTimeDialog.h"

#include "core/marks/HandTime.h"
#include "core/timing/PerfTimer.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

HandTimeDialog::HandTimeDialog(const QString &participant, int run, std::int32_t currentMs, QWidget *parent)
    : QDialog(parent)
    , m_time(new QLineEdit(this))
    , m_reason(new QLineEdit(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setObjectName(QStringLiteral("HandTimeDialog"));
    setWindowTitle(tr("Enter time by hand"));
    m_time->setObjectName(QStringLiteral("edtHandTime"));
    m_reason->setObjectName(QStringLiteral("edtHandReason"));
    m_time->setPlaceholderText(QStringLiteral("MM:SS.hh"));
    if (currentMs > 0)
        m_time->setText(FormatTime(currentMs));
    m_time->selectAll();
    auto *layout = new QFormLayout(this);
    layout->addRow(new QLabel(tr("Run %1 of %2").arg(run).arg(participant), this));
    layout->addRow(tr("Time (MM:SS.hh):"), m_time);
    layout->addRow(tr("Reason:"), m_reason);
    layout->addRow(m_buttons);
    // Enter takes the time once both fields are filled in.
    m_buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_time, &QLineEdit::textChanged, this, &HandTimeDialog::check);
    connect(m_reason, &QLineEdit::textChanged, this, &HandTimeDialog::check);
    check();
}

std::optional<std::int32_t> HandTimeDialog::time() const
{
    return parseHandTime(m_time->text());
}

QString HandTimeDialog::reason() const
{
    return m_reason->text().trimmed();
}

void HandTimeDialog::check()
{
    // A hand time without its reason could not be explained at a protest.
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(time().has_value() && !reason().isEmpty());
}
