#pragma once

#include <QString>

#include <array>

class QLabel;

// The main window's warning line: several things may need it at once (a class file not saved, a
// journal not written, a time RESET recorded). The most pressing one shows, the tooltip lists all.
// It never takes a key from the run buttons.
class WarningLine final
{
    Q_DISABLE_COPY_MOVE(WarningLine)

public:
    // In order of precedence.
    enum Kind { Save, Settings, Journal, Backup, PressTime, Restored, Note, KindCount };

    explicit WarningLine(QLabel *label)
        : m_label(label)
    {
    }

    void show(Kind kind, const QString &text, const QString &details = QString());
    void clear(Kind kind) { show(kind, QString()); }
    QString text(Kind kind) const { return m_texts[kind]; }

private:
    void refresh();

    QLabel *m_label;
    std::array<QString, KindCount> m_texts;
    std::array<QString, KindCount> m_details;
};
