#include "gui/live/LiveQrWindow.h"

#include "gui/common/WindowLook.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <qrencode.h>

#include <memory>

LiveQrWindow::LiveQrWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_address(new QLabel(this))
{
    setObjectName(QStringLiteral("frmLiveQr"));
    setWindowTitle(tr("Live results"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_address->setObjectName(QStringLiteral("lblLiveAddress"));
    m_address->setAlignment(Qt::AlignCenter);
    m_address->setFont(arialBold(28));
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(m_address);
    resize(560, 640);
}

QImage LiveQrWindow::qrCode(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!code)
        return {};
    QImage image(code->width, code->width, QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x)
            image.setPixel(x, y, code->data[y * code->width + x] & 1);
    }
    return image;
}

void LiveQrWindow::showAddress(const QString &url)
{
    m_code = url.isEmpty() ? QImage() : qrCode(url);
    m_address->setText(url.isEmpty() ? tr("The live results are switched off.") : url);
    update();
}

void LiveQrWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_code.isNull())
        return;
    // Whole pixels per module and four modules of quiet zone, so every camera reads it.
    const int room = std::min(width(), height() - m_address->height() - 24);
    const int modules = m_code.width() + 8;
    const int scale = std::max(1, room / modules);
    const int side = scale * m_code.width();
    const QRect target((width() - side) / 2, 4 * scale + std::max(0, (room - scale * modules) / 2), side, side);
    painter.drawImage(target, m_code);
}
