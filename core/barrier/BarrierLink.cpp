#include "core/barrier/BarrierLink.h"

#include "core/barrier/LineWatcher.h"

BarrierLink::BarrierLink(BarrierPorts ports, QObject *parent)
    : QObject(parent)
    , m_ports(std::move(ports))
{
    m_retry.setInterval(DefaultRetryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (m_watcher && !m_opening)
            tryConnect();
    });
}

BarrierLink::~BarrierLink()
{
    stopWatcher();
}

bool BarrierLink::isWatching() const
{
    return m_status.isOpen();
}

void BarrierLink::configure(int port, int contactIndex)
{
    const std::optional<ContactPair> contact = contactPairAt(contactIndex);
    const bool samePair = contact.has_value() == m_contact.has_value()
        && (!contact || (contact->supply == m_contact->supply && contact->watched == m_contact->watched));
    if (port == m_port && samePair)
        return;
    stopWatcher();
    m_retry.stop();
    m_port = port;
    m_contact = contact;
    m_device.clear();
    m_wasConnected = false;
    setLevel(false);
    if (port <= 0 || !contact) {
        setStatus(BarrierStatus::State::Off);
        return;
    }
    startWatcher();
    m_retry.start();
    tryConnect();
}

void BarrierLink::startWatcher()
{
    const quint64 generation = ++m_generation;
    m_watcher = std::make_unique<LineWatcher>(m_ports.open, *m_contact);
    // Queued: the watcher's thread emits, and a signal still queued when this watcher is gone is
    // recognised by its generation.
    connect(
        m_watcher.get(), &LineWatcher::connected, this,
        [this, generation](bool level) {
            if (generation == m_generation)
                watcherConnected(level);
        },
        Qt::QueuedConnection);
    connect(
        m_watcher.get(), &LineWatcher::lineChanged, this,
        [this, generation](qint64 count, bool level, bool isPulse) {
            if (generation == m_generation)
                watcherChanged(count, level, isPulse);
        },
        Qt::QueuedConnection);
    connect(
        m_watcher.get(), &LineWatcher::failed, this,
        [this, generation](int error, bool afterConnect) {
            if (generation == m_generation)
                watcherFailed(error, afterConnect);
        },
        Qt::QueuedConnection);
}

void BarrierLink::tryConnect()
{
    if (m_device.isEmpty()) {
        const QStringList devices = m_ports.devices ? m_ports.devices() : QStringList();
        if (m_port > devices.size()) {
            setStatus(m_wasConnected ? BarrierStatus::State::Unplugged : BarrierStatus::State::NoDevice);
            return;
        }
        m_device = devices.at(m_port - 1);
    }
    m_opening = true;
    m_watcher->open(m_device);
}

void BarrierLink::stopWatcher()
{
    ++m_generation;
    m_watcher.reset();
    m_opening = false;
}

void BarrierLink::watcherConnected(bool level)
{
    m_wasConnected = true;
    setLevel(level);
    // An open port says nothing about a barrier on it; its first line change does.
    setStatus(BarrierStatus::State::Opened);
}

void BarrierLink::watcherChanged(qint64 count, bool level, bool isPulse)
{
    setLevel(level);
    if (m_status.state == BarrierStatus::State::Opened)
        setStatus(BarrierStatus::State::Connected);
    if (isPulse)
        emit pulse(count);
}

void BarrierLink::watcherFailed(int error, bool afterConnect)
{
    // The watcher waits for the next try; its thread stays.
    m_opening = false;
    setLevel(false);
    const BarrierStatus::State state = barrierStateForError(error, m_wasConnected || afterConnect);
    // The same trouble again with another errno value is nothing new for the operator.
    if (state != m_status.state)
        setStatus(state, error);
    // A device never reached may be another one by the next try: look the number up again.
    if (!m_wasConnected)
        m_device.clear();
    // Nothing changes for a device that cannot watch lines, so no more tries there.
    if (state == BarrierStatus::State::NotSupported)
        m_retry.stop();
}

void BarrierLink::setStatus(BarrierStatus::State state, int error)
{
    BarrierStatus status {state, m_port, m_device, error};
    if (state == BarrierStatus::State::Off)
        status = {};
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged(m_status);
}

void BarrierLink::setLevel(bool level)
{
    if (level == m_level)
        return;
    m_level = level;
    emit lineLevelChanged(level);
}
