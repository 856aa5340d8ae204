#include "core/live/LiveServer.h"
#include "core/live/LiveSettings.h"
#include "core/marshal/MarshalDesk.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ListFile.h"
#include "gui/live/LiveQrWindow.h"
#include "support/GuiTestMain.h"
#include "support/LiveSamples.h"
#include "support/ShownMainWindow.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
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
        QVERIFY(MarshalSettings().save(store).ok());
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

        // Until the first standings are built the server says so (503), as a phone would see it.
        QNetworkAccessManager net;
        int status = 0;
        QByteArray page;
        for (QDeadlineTimer deadline(5000); status == 0 || (status == 503 && !deadline.hasExpired());) {
            std::unique_ptr<QNetworkReply> reply(
                net.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/klasse/1").arg(port)))));
            QTRY_VERIFY(reply->isFinished());
            status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            page = reply->readAll();
        }
        QCOMPARE(status, 200);
        QVERIFY(page.contains("Kim 1"));
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

    // The posts are set up in their dialog: added, named, given a new PIN, removed; what the dialog
    // leaves is kept under [Marshal], and the list of presses stands beside the protocol.
    void marshalPostsSetUpInTheirDialog_data()
    {
        QTest::addColumn<bool>("liveOn");
        QTest::addColumn<bool>("removeSecond");
        QTest::newRow("live off, two posts") << false << false;
        QTest::newRow("live on, one removed") << true << true;
    }

    void marshalPostsSetUpInTheirDialog()
    {
        QFETCH(bool, liveOn);
        QFETCH(bool, removeSecond);
        if (liveOn)
            switchOn(freePort());
        QTRY_VERIFY(!liveOn || m_shown.session->liveHost().isListening());
        const int narrow = m_shown.window->width();
        QString firstPin, renewedPin, address;
        bool coded = false;
        chooseLive("actMarshalPosts", [&] {
            auto *dialog = m_shown.window->findChild<QDialog *>(QStringLiteral("frmMarshalPosts"));
            QVERIFY(dialog && dialog->isVisible());
            const auto click = [dialog](const char *name) {
                QTest::mouseClick(dialog->findChild<QWidget *>(QLatin1String(name)), Qt::LeftButton);
            };
            click("chkMarshalEnabled");
            click("cmdAddPost");
            click("cmdAddPost");
            auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tblPosts"));
            QCOMPARE(table->rowCount(), 2);
            // The name typed over the one the program gave.
            const QRect name = table->visualItemRect(table->item(0, 1));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, name.center());
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, name.center());
            auto *editor = table->viewport()->findChild<QLineEdit *>();
            QVERIFY(editor && editor->isVisible());
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(editor, QStringLiteral("Tor 7"));
            QTest::keyClick(editor, Qt::Key_Return);
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(1, 0)).center());
            firstPin = table->item(1, 2)->text();
            click("cmdNewPin");
            renewedPin = table->item(1, 2)->text();
            address = dialog->findChild<QLabel *>(QStringLiteral("lblMarshalAddress"))->text();
            coded = !dialog->findChild<QLabel *>(QStringLiteral("lblMarshalQr"))->pixmap().isNull();
            if (removeSecond)
                click("cmdRemovePost");
            click("cmdOK");
        });
        QTRY_VERIFY(!m_shown.window->findChild<QDialog *>(QStringLiteral("frmMarshalPosts"))->isVisible());
        QVERIFY(firstPin != renewedPin);
        QCOMPARE(renewedPin.size(), 6);
        QCOMPARE(coded, liveOn);
        QCOMPARE(address.contains(QStringLiteral("/\nposten#pin=") + renewedPin), liveOn);

        const MarshalSettings stored = MarshalSettings::load(SettingsStore()).value();
        QVERIFY(stored.enabled);
        QCOMPARE(stored.posts.size(), removeSecond ? 1 : 2);
        QCOMPARE(stored.posts[0].name, QStringLiteral("Tor 7"));
        if (!removeSecond)
            QCOMPARE(stored.posts[1].pin, renewedPin);
        QCOMPARE(m_shown.session->marshals().settings(), stored);
        auto *list = m_shown.window->findChild<QWidget *>(QStringLiteral("frmMarshalPresses"));
        QVERIFY(list && list->isVisible());
        QVERIFY(m_shown.window->width() > narrow);
        QVERIFY(list->geometry().left() >= m_shown.controls->Grid->geometry().right());
    }

    // A press from the course shows beside the protocol, lit for a moment, and takes no key from
    // the run buttons; a post not heard from while runs go on is grey.
    void pressesShowBesideTheProtocol()
    {
        MarshalSettings posts;
        posts.enabled = true;
        posts.posts = {{1, QStringLiteral("Start"), QStringLiteral("111111")},
                       {3, QStringLiteral("Tor 7"), QStringLiteral("333333")}};
        SettingsStore settings;
        QVERIFY(posts.save(settings).ok());
        m_shown.close();
        FakeCounter::install();
        m_shown.open([](ClassStore &store, TfrmMain &) { (void)store.LoadCurrentClass(); });
        m_shown.timeRun(4, 40'000);
        QWidget *focused = QApplication::focusWidget();
        MarshalDesk &desk = m_shown.session->marshals();
        const qint64 at = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(desk.apply({3, QStringLiteral("Tor 7"), 1, 5, 1, false, 1, at, QString()}).status, 200);
        auto *rows = m_shown.window->findChild<QListWidget *>(QStringLiteral("lstMarshalPresses"));
        QCOMPARE(rows->count(), 1);
        QCOMPARE(rows->item(0)->text(),
                 QStringLiteral("Post 3: Kim 5, run 1, +1 FP, ")
                     + QDateTime::fromMSecsSinceEpoch(at).toString(QStringLiteral("HH:mm:ss")));
        QVERIFY(rows->item(0)->background().style() != Qt::NoBrush);
        QTRY_COMPARE_WITH_TIMEOUT(rows->item(0)->background().style(), Qt::NoBrush, 3000);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(QApplication::focusWidget(), focused);
        // The protocol shows the count, and the run keys still work.
        QCOMPARE(m_shown.controls->model->index(4, ProtocolModel::FP1).data().toString(), QStringLiteral("1"));
        m_shown.timeRun(5, 30'000);
        const QString strip = m_shown.window->findChild<QLabel *>(QStringLiteral("lblMarshalPosts"))->text();
        QVERIFY2(strip.contains(QStringLiteral("#a0a0a0\">P1")) && strip.contains(QStringLiteral("#000000\">P3")),
                 qPrintable(strip));
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
