#pragma once

#include "core/protocol/ProtocolModel.h"
#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "core/timing/RunControl.h"
#include "gui/timing/Form_Main.h"
#include "support/FakeCounter.h"
#include "support/JournalRows.h"
#include "support/ListFiles.h"
#include "support/MainWindowControls.h"

#include <QMenu>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

// The main window on its class store, put together as the program does and shown active, so
// tests click and type on it as the operator does. addDialogs creates the dialogs a test needs
// (they belong to the window) before it is shown.
struct ShownMainWindow
{
    std::unique_ptr<RaceSession> session;
    ClassStore *store = nullptr;
    std::unique_ptr<TfrmMain> window;
    std::unique_ptr<MainWindowControls> controls;

    void open(const std::function<void(ClassStore &, TfrmMain &)> &addDialogs = {})
    {
        session = std::make_unique<RaceSession>();
        store = &session->store();
        window = std::make_unique<TfrmMain>(*session);
        if (addDialogs)
            addDialogs(*store, *window);
        controls = std::make_unique<MainWindowControls>(window.get());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    QWindow *keys() const { return window->windowHandle(); }
    // A click on a protocol cell, as the operator's mouse gives it.
    void clickCell(int row, int column) const
    {
        const QModelIndex index = controls->model->index(row, column);
        QTest::mouseClick(controls->Grid->viewport(), Qt::LeftButton, {}, controls->Grid->visualRect(index).center());
    }
    // A right click on a protocol cell, on the platform window as the operator's mouse gives it,
    // then a click on the item of the menu it brings. inDialog runs while a dialog the item opens
    // is up.
    void chooseFromCellMenu(int row, int column, const char *item, const std::function<void()> &inDialog = {}) const
    {
        const QRect cell = controls->Grid->visualRect(controls->model->index(row, column));
        if (inDialog)
            QTimer::singleShot(100, window.get(), inDialog);
        QTest::mouseClick(keys(), Qt::RightButton, {}, controls->Grid->viewport()->mapTo(window.get(), cell.center()));
        auto *menu = controls->Grid->findChild<QMenu *>(QStringLiteral("mnuProtocol"));
        QTRY_VERIFY2(menu && menu->isVisible(), item);
        // Some items are the main window's own actions, with their keys; all are in the menu.
        const QList<QAction *> items = menu->actions();
        const auto found = std::find_if(items.begin(), items.end(),
                                        [item](const QAction *a) { return a->objectName() == QLatin1String(item); });
        QVERIFY2(found != items.end() && (*found)->isEnabled(), item);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(*found).center());
    }
    // The participant's first run timed with the keys, the fake clock advanced in between.
    void timeRun(int row, double ms, Qt::Key stop = Qt::Key_F8) const
    {
        clickCell(row, ProtocolModel::Time1);
        QTest::keyClick(keys(), Qt::Key_F5);
        QVERIFY(controls->runs->Running());
        FakeCounter::advanceMs(ms);
        QTest::keyClick(keys(), stop);
        QVERIFY(!controls->runs->Running());
        session->waitForWrites();
    }

    // The class file as it stands once the writes given so far have landed.
    StartList classFile(int classIndex) const
    {
        session->waitForWrites();
        return readClassFile(classIndex);
    }

    // The journal's rows of the class once the rows given so far have landed.
    QList<JournalEvent> journalRows(int classIndex = 1) const
    {
        session->waitForWrites();
        return ::journalRows(classIndex);
    }

    // The window goes before the store it works on.
    void close()
    {
        controls.reset();
        window.reset();
        store = nullptr;
        session.reset();
    }
};
