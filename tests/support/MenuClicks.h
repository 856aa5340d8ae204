#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

// Opens the item's menu on the window's menu bar and clicks the item, as the operator does.
// The window must be shown.
inline void chooseFromMenu(QWidget *window, const char *name)
{
    auto *item = window->findChild<QAction *>(QLatin1String(name));
    QVERIFY2(item, name);
    auto *bar = window->findChild<QMenuBar *>();
    QVERIFY(bar);
    QMenu *menu = nullptr;
    for (QAction *title : bar->actions()) {
        if (title->menu() && title->menu()->actions().contains(item))
            menu = title->menu();
    }
    QVERIFY2(menu, name);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}
