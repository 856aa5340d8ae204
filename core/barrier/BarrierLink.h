#pragma once

#include "core/barrier/BarrierStatus.h"
#include "core/barrier/ContactPair.h"
#include "core/barrier/ModemLines.h"

#include <QObject>
#include <QTimer>

#include <memory>

class LineWatcher;

// The connection to the light barrier: which device "COM n" is, a watcher on it, and new tries
// while the device is missing or after it went away. Lives on the interface thread.
class BarrierLink final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BarrierLink)

public:
    static constexpr int DefaultRetryMs = 1000;

    explicit BarrierLink(BarrierPorts ports, QObject *parent = nullptr);
    ~BarrierLink() override;

    // The port number (0 for none) and the contact index of the settings. A change closes the
    // port and opens the new one; the same values again change nothing.
    void configure(int port, int contactIndex);
    void setRetryInterval(int ms) { m_retry.setInterval(ms); }

    const BarrierStatus &status() const { return m_status; }
    bool lineLevel() const { return m_level; }
    // A port is open and watched.
    bool isWatching() const;

signals:
    void statusChanged(const BarrierStatus &status);
    void lineLevelChanged(bool level);
    // A change of the watched line that lasted: the counter reading taken when it happened.
    void pulse(qint64 count);

private:
    void startWatcher();
    void tryConnect();
    void stopWatcher();
    void watcherConnected(bool level);
    void watcherChanged(qint64 count, bool level, bool isPulse);
    void watcherFailed(int error, bool afterConnect);
    void setStatus(BarrierStatus::State state, int error = 0);
    void setLevel(bool level);

    BarrierPorts m_ports;
    int m_port = 0;
    std::optional<ContactPair> m_contact;
    QString m_device;
    bool m_wasConnected = false;
    // One per port and contact pair, for every try on them.
    std::unique_ptr<LineWatcher> m_watcher;
    // A try is under way or the port is open: the watcher must not be asked again.
    bool m_opening = false;
    // Tells the current watcher's signals from those a stopped one left in the queue.
    quint64 m_generation = 0;
    BarrierStatus m_status;
    bool m_level = false;
    QTimer m_retry;
};
