#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

// The address of the live results as a large QR code with the address written under it, for the
// phones at the course to scan.
class LiveQrWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveQrWindow)

public:
    explicit LiveQrWindow(QWidget *parent = nullptr);

    // An empty address shows that the server is off.
    void showAddress(const QString &url);
    // One pixel per module, black on white, without the quiet zone; null when it cannot be encoded.
    static QImage qrCode(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_code;
    QLabel *m_address;
};
