#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

class QDialogButtonBox;
class QLineEdit;

// "Enter time by hand": a time read off an official's stopwatch and the reason, which is required.
class HandTimeDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandTimeDialog)

public:
    HandTimeDialog(const QString &participant, int run, std::int32_t currentMs, QWidget *parent = nullptr);

    std::optional<std::int32_t> time() const;
    QString reason() const;

private:
    void check();

    QLineEdit *m_time;
    QLineEdit *m_reason;
    QDialogButtonBox *m_buttons;
};
