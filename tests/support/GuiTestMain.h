#pragma once

#include "gui/OperatorDialogs.h"
#include "support/TestEnvironment.h"

#include <QApplication>

// For tests of the windows: message boxes and file dialogs are answered from the test's queue.
#define ZORVEXA_TEST_MAIN(TestClass)                                   \
    int main(int argc, char *argv[])                                  \
    {                                                                 \
        TestEnvironment environment;                                  \
        QApplication app(argc, argv);                                 \
        app.setAttribute(Qt::AA_Use96Dpi, true);                      \
        overrideProgramFolder(environment.programFolder());           \
        OperatorDialogs::setTestMode(true);                           \
        TestClass tc;                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                    \
        return QTest::qExec(&tc, argc, argv);                         \
    }
