#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"
#include "gui/widgets/DrawnText.h"
#include "support/FakeCounter.h"
#include "support/FileSizeLimit.h"
#include "support/GuiTestMain.h"
#include "support/MainWindowControls.h"
#include "support/ShownMainWindow.h"
#include "support/StartListSamples.h"

#include <QAction>
#include <QHelpEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPicture>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// Keeps every text run drawn on it, so a test sees what reached the painter.
class TextRecordingEngine final : public QPaintEngine
{
public:
    TextRecordingEngine()
        : QPaintEngine(AllFeatures)
    {
    }
    QStringList texts;

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override { }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { }
    void drawPath(const QPainterPath &) override { }
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override { }
    void drawRects(const QRectF *, int) override { }
    void drawTextItem(const QPointF &, const QTextItem &item) override { texts << item.text(); }
    Type type() const override { return User; }
};

class TextRecorder final : public QPaintDevice
{
public:
    QPaintEngine *paintEngine() const override { return &m_engine; }
    const QStringList &texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return 1 << 22;
        case PdmHeight:
            return 100;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 1000;
        }
    }

private:
    mutable TextRecordingEngine m_engine;
};

struct FileIdentity
{
    ino_t inode = 0;
    timespec modified {};
    QByteArray bytes;
    bool operator==(const FileIdentity &other) const
    {
        return inode == other.inode && modified.tv_sec == other.modified.tv_sec
            && modified.tv_nsec == other.modified.tv_nsec && bytes == other.bytes;
    }
};

FileIdentity identityOf(const QString &path)
{
    FileIdentity identity;
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        identity.inode = info.st_ino;
        identity.modified = info.st_mtim;
    }
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        identity.bytes = file.readAll();
    return identity;
}

// Puts one of the files a class file must never block on in the class file's place.
void makeSpecial(const QString &kind, const QString &path)
{
    QFile::remove(path);
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));
    else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[ZVX1FILE]\r\n") > 0);
        QVERIFY(file.resize(qint64(10) << 30));
    }
}

void specialKinds()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("FIFO") << "fifo"
                          << "is not a regular file.";
    QTest::newRow("link to /dev/zero") << "zero"
                                       << "/dev/zero is not a regular file.";
    QTest::newRow("folder") << "folder"
                            << "is not a regular file.";
    QTest::newRow("sparse 10 GiB with the tag") << "huge"
                                                << "too large for a start list file";
}
} // namespace

// The class files as the windows use them: start-up, special files, failed saves, long names and
// the end of a session.
class TestStorageWindows final : public QObject
{
    Q_OBJECT

    ShownMainWindow m_shown;
    TfrmStartList *m_editor = nullptr;
    const MainWindowControls &ui() const { return *m_shown.controls; }

    // As the program puts them together; the editor reads class 1 first, as at start-up.
    void start(bool withEditor = true)
    {
        m_shown.open([this, withEditor](ClassStore &, TfrmMain &window) {
            if (!withEditor)
                return;
            m_editor = new TfrmStartList(window.session(), &window);
            window.setStartListEditor(m_editor);
        });
    }

    void clickCell(int row, int column)
    {
        const QPoint at = ui().Grid->visualRect(ui().model->index(row, column)).center();
        QTest::mouseClick(ui().Grid->viewport(), Qt::LeftButton, {}, at);
    }

    void pickClass(int classIndex)
    {
        ui().cmbClass->setFocus();
        const int steps = classIndex - 1 - ui().cmbClass->currentIndex();
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(ui().cmbClass, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }

private slots:
    void init()
    {
        FakeCounter::install();
        QDir(programFolder()).removeRecursively();
        QDir().mkpath(programFolder());
        OperatorDialogs::takeShownMessages();
    }
    void cleanup()
    {
        OperatorDialogs::setEnding(false);
        m_shown.close();
        m_editor = nullptr;
        setPerfCounter(systemPerfCounter());
        QDir(programFolder()).removeRecursively();
        OperatorDialogs::takeShownMessages();
    }

    // Starting the program reads class 1 and writes nothing: a save there would replace the very
    // file it just read (and on a full disk empty it).
    void startUpOnlyReads_data()
    {
        QTest::addColumn<bool>("withEditor");
        QTest::newRow("as the program starts") << true;
        QTest::newRow("main window alone") << false;
    }
    void startUpOnlyReads()
    {
        QFETCH(bool, withEditor);
        QVERIFY(WriteListFile(listOfNames({"Kim", "Ola"}), ClassListPath(1)).ok());
        const FileIdentity before = identityOf(ClassListPath(1));
        QTest::qWait(20); // a write now would show in the modification time
        start(withEditor);
        QCOMPARE(ui().model->rowCount(), 2);
        QCOMPARE(ui().cmbClass->currentIndex(), 0);
        QVERIFY(identityOf(ClassListPath(1)) == before);
        QVERIFY(ui().lblSaveWarning->isHidden());
        // The journal notes the class file it opened, and its state file the last row; no other
        // file is written.
        QStringList files = QDir(programFolder()).entryList(QDir::Files | QDir::Hidden);
        files.removeIf([](const QString &name) { return name.startsWith(QLatin1String("journal.")); });
        QCOMPARE(files, QStringList {QStringLiteral("List01.dat")});
    }

    // A class 1 that is no regular file or far too large: the program starts at once, says which
    // file it refused, and the other classes work.
    void specialClassFileAtStartUp_data() { specialKinds(); }
    void specialClassFileAtStartUp()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        makeSpecial(kind, ClassListPath(1));
        QVERIFY(WriteListFile(listOfNames({"Kim", "Ola", "Lee"}), ClassListPath(2)).ok());
        start();
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.constFirst().contains(message), qPrintable(shown.constFirst()));
        QCOMPARE(ui().model->rowCount(), 0);

        pickClass(2);
        QCOMPARE(m_shown.store->CurrentClass(), 2);
        QCOMPARE(ui().model->rowCount(), 3);
        QVERIFY(ui().lblSaveWarning->isHidden());
        const QFileInfo after(ClassListPath(1));
        QCOMPARE(after.isFile() && !after.isSymLink(), kind == QLatin1String("huge"));
        if (kind == QLatin1String("huge"))
            QCOMPARE(after.size(), qint64(10) << 30);
    }

    // The editor's Open list takes a file name typed by the operator, which may be any of these.
    void editorRefusesSpecialFiles_data() { specialKinds(); }
    void editorRefusesSpecialFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QVERIFY(WriteListFile(listOfNames({"Kim"}), ClassListPath(1)).ok());
        start();
        const QString chosen = programFolder() + QStringLiteral("chosen.zvx");
        makeSpecial(kind, chosen);
        QStringList shown;
        // The operator opens the editor from the main window and presses Ctrl+O there.
        QTimer::singleShot(50, m_editor, [&] {
            m_editor->findChild<QWidget *>(QStringLiteral("Grid"))->setFocus();
            OperatorDialogs::queueFileName(chosen);
            QTest::keySequence(m_editor, QKeySequence(Qt::CTRL | Qt::Key_O));
            shown = OperatorDialogs::takeShownMessages();
            m_editor->close();
        });
        QTest::mouseClick(ui().cmdStartlist, Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.constFirst().contains(message), qPrintable(shown.constFirst()));
        QCOMPARE(m_shown.store->entryCount(), 1);
        QCOMPARE(m_shown.store->readTextField(0, ListField::Name), QStringLiteral("Kim"));
    }

    // A stop on a full disk: the time stays in the grid and in memory, the warning line names the
    // file and the reason, the file keeps its old bytes, and the next save with room clears it.
    void stopOnAFullDiskIsShownAndKept()
    {
        QVERIFY(WriteListFile(listOfNames({"Kim", "Ola"}), ClassListPath(1)).ok());
        const FileIdentity before = identityOf(ClassListPath(1));
        start();
        clickCell(1, ProtocolModel::Time1);
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F5);
        FakeCounter::advanceMs(41'230);
        {
            FileSizeLimit full(16);
            QVERIFY(full.active());
            QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_F8);
            m_shown.session->waitForWrites();
        }
        QCOMPARE(ui().model->cell(1, ProtocolModel::Time1), 41'230);
        QCOMPARE(m_shown.store->readNumberField(1, ListField::Time1), 41'230);
        QVERIFY(ui().lblSaveWarning->isVisible());
        QCOMPARE(ui().lblSaveWarning->text(), QStringLiteral("NOT SAVED: List01.dat\nI/O error 27"));
        QVERIFY(identityOf(ClassListPath(1)) == before);

        QVERIFY(m_shown.window->close());
        m_shown.session->waitForWrites();
        QVERIFY(ui().lblSaveWarning->isHidden());
        StartList saved;
        QVERIFY(ReadListFile(saved, ClassListPath(1), false).ok());
        QCOMPARE(saved.wholeNumber(1, ListField::Time1), 41'230);
    }

    // A name of some megabytes stays whole in the list, but the grid cell and the caption measure
    // and draw only its first DrawnTextLimit characters. Both are given room for far more, so the
    // cut shows in what reaches the painter.
    void longNamesAreDrawnFromABoundedPrefix()
    {
        QString name = QStringLiteral("Kim ");
        name += QString(4 << 20, QLatin1Char('n'));
        StartList list = listOfNames({name, QStringLiteral("Ola")});
        QVERIFY(WriteListFile(list, ClassListPath(1)).ok());
        start();
        QCOMPARE(m_shown.store->readTextField(0, ListField::Name).size(), name.size());

        clickCell(0, ProtocolModel::Time1);
        QCOMPARE(ui().lblPartic->text(), QStringLiteral("Lauf 1:  ") + name);

        TextRecorder grid;
        {
            QStyleOptionViewItem option;
            option.rect = QRect(0, 0, 1 << 21, 22);
            option.font = ui().Grid->font();
            option.fontMetrics = QFontMetrics(option.font);
            option.palette = ui().Grid->palette();
            QPainter painter(&grid);
            ui().Grid->itemDelegate()->paint(&painter, option, ui().model->index(0, ProtocolModel::Name));
        }
        QCOMPARE(grid.texts().join(QString()), name.left(DrawnTextLimit));

        ui().lblPartic->resize(1 << 21, ui().lblPartic->height());
        QPicture picture;
        ui().lblPartic->render(&picture);
        TextRecorder caption;
        {
            QPainter painter(&caption);
            picture.play(&painter);
        }
        QCOMPARE(caption.texts().size(), 2); // the shadow, then the text
        for (const QString &drawn : caption.texts())
            QCOMPARE(drawn, (QStringLiteral("Lauf 1:  ") + name).left(DrawnTextLimit));
    }

    // A name cut to fit the protocol's cell shows whole in its tooltip; one that fits needs none.
    void cutNamesShowWholeInTheTooltip()
    {
        const QString name = QStringLiteral("Maximiliane Alexandra von Hohenberg-Waldstein");
        QVERIFY(WriteListFile(listOfNames({name, QStringLiteral("Ola")}), ClassListPath(1)).ok());
        start(false);
        for (const auto &[row, tip] : {std::pair {0, name}, std::pair {1, QString()}}) {
            QToolTip::hideText();
            QTRY_VERIFY(!QToolTip::isVisible());
            const QPoint at = ui().Grid->visualRect(ui().model->index(row, ProtocolModel::Name)).center();
            QHelpEvent help(QEvent::ToolTip, at, ui().Grid->viewport()->mapToGlobal(at));
            QApplication::sendEvent(ui().Grid->viewport(), &help);
            QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip);
        }
    }

    // The question at closing after a refused save names the file once, in the reason.
    void closingQuestionNamesTheFileOnce()
    {
        QVERIFY(WriteListFile(listOfNames({"Kim"}), ClassListPath(1)).ok());
        start();
        QFile::remove(ClassListPath(1));
        QDir().mkpath(ClassListPath(1));
        OperatorDialogs::queueAnswer(true);
        m_shown.window->close();
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.constFirst().count(QDir::toNativeSeparators(ClassListPath(1))) == 1,
                 qPrintable(shown.constFirst()));
    }

    // An ending signal while the start list editor is open and the class cannot be saved: the
    // editor and the window close, and no message box waits for anyone.
    void endingWithTheEditorOpenShowsNothing()
    {
        QVERIFY(WriteListFile(listOfNames({"Kim"}), ClassListPath(1)).ok());
        start();
        bool ended = false;
        QTimer::singleShot(50, m_shown.window.get(), [&] {
            QVERIFY(m_editor->isVisible());
            // Whatever the editor or the window saves now is refused.
            QFile::remove(ClassListPath(1));
            QDir().mkpath(ClassListPath(1));
            m_shown.window->closeWithoutQuestions();
            ended = true;
        });
        // A window that does not close would keep the editor open; it is closed for it then.
        QTimer::singleShot(5000, m_editor, [this] { m_editor->reject(); });
        QTest::mouseClick(ui().cmdStartlist, Qt::LeftButton);
        QVERIFY(ended);
        QVERIFY(!m_editor->isVisible());
        QVERIFY(!m_shown.window->isVisible());
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList {});
        QVERIFY(QFileInfo(ClassListPath(1)).isDir());
    }
};

ZORVEXA_TEST_MAIN(TestStorageWindows)
#include "test_storage_windows.moc"
