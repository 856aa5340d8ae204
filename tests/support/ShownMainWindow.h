#pragma once

#include "core/startlist/ClassStore.h"
#include "gui/Form_Main.h"
#include "support/MainWindowControls.h"

#include <QTest>
#include <functional>
#include <memory>

// The main window on its class store, put together as the program does and shown active, so
// tests click and type on it as the operator does. addDialogs creates the dialogs a test needs
// (they belong to the window) before it is shown.
struct ShownMainWindow
{
    std::unique_ptr<ClassStore> store;
    std::unique_ptr<TfrmMain> window;
    std::unique_ptr<MainWindowControls> controls;

    void open(const std::function<void(ClassStore &, TfrmMain &)> &addDialogs = {})
    {
        store = std::make_unique<ClassStore>();
        window = std::make_unique<TfrmMain>(*store);
        if (addDialogs)
            addDialogs(*store, *window);
        controls = std::make_unique<MainWindowControls>(window.get());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    // The window goes before the store it works on.
    void close()
    {
        controls.reset();
        window.reset();
        store.reset();
    }
};
