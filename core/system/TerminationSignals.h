#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into a Qt signal on the user-interface thread, so a
// session logout ends the program like the close box does. A signal that comes before anything
// is connected (while a start-up message is open) is kept and emitted at the first event loop
// after the receiver connects.
class TerminationSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signalNumber);

protected:
    void connectNotify(const QMetaMethod &signal) override;

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
    int m_kept = 0;
};
