#include "gui/common/WindowLook.h"

#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QFont arialBold(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

void centreOnScreen(QWidget *window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

int execInFrontOf(QDialog &dialog, QWidget &owner)
{
    QWidget *const parent = dialog.parentWidget();
    const QPoint at = dialog.pos();
    // The platform stacks a dialog over the window it belongs to; over the main window it would
    // let the main window come between it and the owner.
    dialog.setParent(&owner, dialog.windowFlags());
    dialog.move(at);
    const int result = dialog.exec();
    dialog.setParent(parent, dialog.windowFlags());
    dialog.move(at);
    return result;
}

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Brasquell"));
    QCoreApplication::setApplicationName(QStringLiteral("Zorvexa"));
}
