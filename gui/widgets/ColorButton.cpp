#include "gui/widgets/ColorButton.h"

#include "gui/common/Colors.h"
#include "gui/common/OperatorDialogs.h"

#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QWidgetAction>

namespace {
// The palette: the protocol's four default colours, then strong and pale tones.
constexpr std::uint32_t Palette[] = {
    0xFFEAEA, 0xB9FFFF, 0xE9FFD2, 0xECD9FF, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x000000,
    0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x0080FF, 0x800080,
    0xCCCCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFFCC, 0xFFCCCC, 0xFFCCFF, 0xB3DEF5, 0xE6D8AD,
};
constexpr int PaletteColumns = 8;
} // namespace

ColorButton::ColorButton(QWidget *parent)
    : QToolButton(parent)
{
    setPopupMode(QToolButton::InstantPopup);
    // The swatch and a small arrow of our own fill the button; the style's indicator would crowd it.
    setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    auto *menu = new QMenu(this);
    auto *swatches = new QWidget(menu);
    auto *grid = new QGridLayout(swatches);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(2);
    for (int i = 0; i < int(std::size(Palette)); ++i) {
        const std::uint32_t bgr = Palette[i];
        auto *swatch = new QToolButton(swatches);
        swatch->setObjectName(QStringLiteral("swatch%1").arg(i));
        swatch->setFixedSize(18, 18);
        swatch->setAutoRaise(false);
        swatch->setStyleSheet(
            QStringLiteral("QToolButton { background: %1; border: 1px solid #808080; }").arg(colorFromBgr(bgr).name()));
        swatch->setToolTip(colorFromBgr(bgr).name());
        connect(swatch, &QToolButton::clicked, this, [this, menu, bgr] {
            menu->close();
            setColor(bgr);
        });
        grid->addWidget(swatch, i / PaletteColumns, i % PaletteColumns);
    }
    auto *swatchAction = new QWidgetAction(menu);
    swatchAction->setDefaultWidget(swatches);
    menu->addAction(swatchAction);
    menu->addSeparator();
    QAction *other = menu->addAction(tr("&Other..."));
    other->setObjectName(QStringLiteral("mnuOtherColor"));
    connect(other, &QAction::triggered, this, &ColorButton::chooseOther);
    setMenu(menu);
}

void ColorButton::setColor(std::uint32_t bgr)
{
    bgr &= 0xFFFFFF;
    if (bgr == m_color)
        return;
    m_color = bgr;
    update();
    emit colorChanged(bgr);
}

void ColorButton::chooseOther()
{
    const QColor chosen = OperatorDialogs::getColor(this, colorFromBgr(m_color));
    if (chosen.isValid())
        setColor(bgrFromColor(chosen));
}

void ColorButton::paintEvent(QPaintEvent *event)
{
    QToolButton::paintEvent(event);
    QPainter painter(this);
    const QRect swatch = rect().adjusted(4, 4, -14, -4);
    painter.fillRect(swatch, colorFromBgr(m_color));
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    // The drop-down arrow.
    const QPointF tip(width() - 8.5, height() / 2.0 + 2.0);
    const QPointF arrow[] = {tip + QPointF(-3.5, -3.5), tip + QPointF(3.5, -3.5), tip};
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(isEnabled() ? QColor(0x30, 0x30, 0x30) : QColor(0xa0, 0xa0, 0xa0));
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(arrow, 3);
}
