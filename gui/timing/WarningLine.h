#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QTime>

#include <array>

class QFrame;
class QLabel;
class QWidget;

// The main window's warning line: several things may need it at once (a class file not saved, a
// journal not written, a time RESET recorded). The box in the toolbar names the most pressing one;
// the panel over the protocol's top lists every current message whole, most severe first, each
// with the time it came. A notice can be dismissed there; an error stays until its cause is gone.
// Nothing of it takes a key from the run buttons.
class WarningLine final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WarningLine)

public:
    // In order of precedence; the kinds from Restored on are notices.
    enum Kind { Save, Settings, Journal, Backup, PressTime, Restored, Note, KindCount };

    explicit WarningLine(QLabel *label);
    // The panel of all messages, placed in area of window; without it only the box shows.
    void setPanel(QWidget *window, const QRect &area);

    void show(Kind kind, const QString &text, const QString &details = QString());
    void clear(Kind kind) { show(kind, QString()); }
    QString text(Kind kind) const { return m_texts[kind]; }
    static bool isNotice(Kind kind) { return kind >= Restored; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    void fillPanel();

    QLabel *m_label;
    QFrame *m_panel = nullptr;
    QRect m_area;
    // The operator folded the panel away; a new message opens it again.
    bool m_folded = false;
    std::array<QString, KindCount> m_texts;
    std::array<QString, KindCount> m_details;
    std::array<QTime, KindCount> m_since;
};
