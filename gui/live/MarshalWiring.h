#pragma once

#include "core/marshal/MarshalPosts.h"

#include <QObject>
#include <QSize>

#include <functional>

class MarshalDesk;
class MarshalPostsDialog;
class MarshalPressView;
class QWidget;
class RaceSession;

// The marshal posts at the desk: their dialog, their settings kept under [Marshal], and the list of
// presses beside the protocol, which widens the main window while the posts are switched on.
class MarshalWiring final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarshalWiring)

public:
    // address gives the live results' address, empty while they are off.
    MarshalWiring(QWidget *window, RaceSession &session, std::function<QString()> address,
                  std::function<void(const QString &)> warn);

    void showDialog();

private:
    void apply(const MarshalSettings &settings);
    void placeList(bool shown);

    QWidget *m_window;
    MarshalDesk &m_desk;
    std::function<QString()> m_address;
    std::function<void(const QString &)> m_warn;
    MarshalPostsDialog *m_dialog;
    MarshalPressView *m_list;
    QSize m_narrow;
};
