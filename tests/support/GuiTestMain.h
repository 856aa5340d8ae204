#pragma once

#include "gui/OperatorDialogs.h"
#include "gui/SerialDevices.h"
#include "support/TestEnvironment.h"

#include <QApplication>

#include <cerrno>

// No window test may open a serial device of the machine it runs on; a test that wants a
// barrier puts its own fake ports in.
inline void useNoSerialDevices()
{
    setBarrierPorts({[] { return QStringList(); }, [](const QString &) { return OpenedLines {nullptr, ENOENT}; }});
}

// For tests of the windows: message boxes and file dialogs are answered from the test's queue.
#define ZORVEXA_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        TestEnvironment environment;                                                                                   \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        overrideProgramFolder(environment.programFolder());                                                            \
        OperatorDialogs::setTestMode(true);                                                                            \
        useNoSerialDevices();                                                                                          \
        TestClass tc;                                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
