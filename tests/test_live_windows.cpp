#include "core/live/LiveSettings.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ListFile.h"
#include "gui/live/LiveQrWindow.h"
#include "support/GuiTestMain.h"
#include "support/LiveSamples.h"
#include "support/ShownMainWindow.h"

#include <QCheckBox>
#include <QDialog>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <functional>

class TestLiveWindows final : public QObject
{
    Q_OBJECT

    ShownMainWindow m_shown;

    QToolButton *liveButton() { return m_shown.window->findChild<QToolButton *>(QStringLiteral("cmdLive")); }

    // Opens the "Live" button's menu and clicks the item; whileOpen runs once the item's window
    // (a modal dialog, say) is up.
    void chooseLive(const char *item, const std::function<void()> &whileOpen = {})
    {
        QToolButton *button = liveButton();
        QVERIFY(button);
        QTimer::singleShot(50, button, [=] {
            QMenu *menu = button->menu();
            QTRY_VERIFY(menu->isVisible());
            QAction *action = nullptr;
            for (QAction *candidate : menu->actions()) {
                if (candidate->objectName() == QLatin1String(item))
                    action = candidate;
            }
            QVERIFY2(action, item);
            if (whileOpen)
                QTimer::singleShot(50, button, whileOpen);
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        });
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Ticks "Offer live results", types the port and clicks OK, as the operator does.
    void switchOn(quint16 port)
    {
        chooseLive("actLiveSettings", [port] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTest::mouseClick(dialog->findChild<QCheckBox *>(QStringLiteral("chkLiveEnabled")), Qt::LeftButton);
            auto *edit = dialog->findChild<QSpinBox *>(QStringLiteral("edtLivePort"));
            QTest::mouseClick(edit, Qt::LeftButton);
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, QString::number(port));
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
    }

    static quint16 freePort()
    {
        QTcpServer probe;
        return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
    }

private slots:
    void init()
    {
        SettingsStore store;
        QVERIFY(LiveSettings().save(store).ok());
        QVERIFY(WriteListFile(liveSampleList(6, QStringLiteral("Kim %1")), ClassListPath(1)).ok());
        m_shown.open();
    }

    void cleanup() { m_shown.close(); }

    void switchedOnFromTheMainWindowItServesTheClass()
    {
        chooseLive("actLiveQr");
        auto *qr = m_shown.window->findChild<LiveQrWindow *>();
        QVERIFY(qr && qr->isVisible());
        auto *address = qr->findChild<QLabel *>(QStringLiteral("lblLiveAddress"));
        QVERIFY(!address->text().contains(QStringLiteral("http")));

        const quint16 port = freePort();
        switchOn(port);
        QTRY_VERIFY(address->text().endsWith(QStringLiteral(":%1/").arg(port)));
        const LiveSettings stored = LiveSettings::load(SettingsStore()).value();
        QVERIFY(stored.enabled);
        QCOMPARE(stored.port, int(port));

        QNetworkAccessManager net;
        QNetworkReply *reply = net.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/klasse/1").arg(port))));
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        QVERIFY(reply->readAll().contains("Kim 1"));
        delete reply;
        // A request turned away shows in the menu with its reason, and no box interrupts the operator.
        QVERIFY(rawExchange(port, "GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n").startsWith("HTTP/1.1 421"));
        const auto *refused = liveButton()->menu()->findChild<QAction *>(QStringLiteral("actLiveRefusal"));
        QTRY_VERIFY(refused->text().contains(QStringLiteral("421: fremder Hostname, ")));
        QVERIFY(!QApplication::activeModalWidget());
        // Two dark modules in the corner finder: a code a camera can read.
        const QImage code = LiveQrWindow::qrCode(address->text());
        QVERIFY(code.width() >= 21);
        QCOMPARE(code.pixelIndex(0, 0), 1);
        QCOMPARE(code.pixelIndex(1, 1), 0);
    }

    void audienceWindowShowsTheTopOfTheClassAndGoesFullScreen()
    {
        chooseLive("actAudiences");
        auto *audiences = m_shown.window->findChild<QWidget *>(QStringLiteral("frmAudience"));
        QVERIFY(audiences && audiences->isVisible());
        auto *top = audiences->findChild<QTableWidget *>(QStringLiteral("grdAudienceTop"));
        QTRY_VERIFY(top->item(0, 1) && top->item(0, 1)->text() == QStringLiteral("Kim 3 (102)"));
        QCOMPARE(top->item(3, 1)->text(), QString()); // three of six have both runs
        QTest::keyClick(audiences, Qt::Key_F11);
        QTRY_VERIFY(audiences->isFullScreen());
        QTest::keyClick(audiences, Qt::Key_F11);
        QTRY_VERIFY(!audiences->isFullScreen());
        // A small window still shows all ten places.
        for (const QSize size : {QSize(800, 500), QSize(640, 360), QSize(1920, 1080)}) {
            audiences->resize(size);
            QTRY_COMPARE(audiences->size(), size);
            QTRY_VERIFY2(top->rowViewportPosition(9) + top->rowHeight(9) <= top->viewport()->height(),
                         qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
        }
    }

    void aPortInUseShowsInTheWarningLine()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::Any, 0));
        switchOn(holder.serverPort());
        QTRY_VERIFY(m_shown.controls->lblSaveWarning->isVisible());
        QVERIFY(m_shown.controls->lblSaveWarning->text().contains(QString::number(holder.serverPort())));
        QVERIFY(m_shown.controls->cmdStartlist->isEnabled());
    }
};

ZORVEXA_TEST_MAIN(TestLiveWindows)
#include "test_live_windows.moc"
