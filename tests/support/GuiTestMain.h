#pragma once

#include "core/barrier/SerialDevices.h"
#include "gui/common/OperatorDialogs.h"
#include "support/FakeCounter.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QInputEvent>

#include <cerrno>

// No window test may open a serial device of the machine it runs on; a test that wants a
// barrier puts its own fake ports in.
inline void useNoSerialDevices()
{
    setBarrierPorts({[] { return QStringList(); }, [](const QString &) { return OpenedLines {nullptr, ENOENT}; }});
}

// While a test's fake counter is in force, input events are stamped on it, as a windowing system
// stamps them on its own clock: a key pressed after advanceMs() happened at that moment. A test
// that stamps its own events sets keepEventTimes.
class TestApplication final : public QApplication
{
public:
    using QApplication::QApplication;
    static inline bool keepEventTimes = false;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!keepEventTimes && event->isInputEvent() && currentPerfCounter().value == &FakeCounter::value) {
            // Each test starts its fake clock afresh; Qt's own event handling (menus, double
            // clicks) expects the stamps never to run backwards, so a later test's start moves on.
            quint64 stamp = stampAt(quint64(FakeCounter::now / 1000));
            if (stamp < m_last) {
                m_base += m_last - stamp + 60'000;
                stamp = stampAt(quint64(FakeCounter::now / 1000));
            }
            m_last = stamp;
            static_cast<QInputEvent *>(event)->setTimestamp(stamp);
        }
        return QApplication::notify(receiver, event);
    }

    // The stamp of a moment on the fake clock, in ms, for a test that stamps its own events.
    static quint64 stampAt(quint64 fakeMs) { return fakeMs + m_base; }

private:
    static inline quint64 m_base = 0;
    static inline quint64 m_last = 0;
};

// For tests of the windows: message boxes and file dialogs are answered from the test's queue.
#define ZORVEXA_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        TestEnvironment environment;                                                                                   \
        TestApplication app(argc, argv);                                                                               \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        overrideProgramFolder(environment.programFolder());                                                            \
        OperatorDialogs::setTestMode(true);                                                                            \
        useNoSerialDevices();                                                                                          \
        TestClass tc;                                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
