#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/startlist/StartListModel.h"
#include "gui/common/Colors.h"
#include "gui/startlist/Form_StartList.h"
#include "support/GuiTestMain.h"
#include "support/ListFiles.h"
#include "support/MenuClicks.h"
#include "support/StartListSamples.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>

Q_DECLARE_METATYPE(ListField)

namespace {
void writeClass(int classIndex, const QStringList &names)
{
    QVERIFY(WriteListFile(listOfNames(names), ClassListPath(classIndex)).ok());
}
} // namespace

class TestStartListEditor final : public QObject
{
    Q_OBJECT

    std::unique_ptr<RaceSession> m_session;
    ClassStore *m_store = nullptr;
    std::unique_ptr<TfrmStartList> m_form;
    std::unique_ptr<QAbstractItemModelTester> m_tester;

    QTableView *grid() const { return m_form->findChild<QTableView *>(QStringLiteral("Grid")); }
    QTabBar *tabs() const { return m_form->findChild<QTabBar *>(QStringLiteral("ListTab")); }
    QString heading() const { return m_form->findChild<QLabel *>(QStringLiteral("TopPanel"))->text(); }
    QString status() const { return m_form->findChild<QStatusBar *>()->currentMessage(); }
    QAction *action(const char *name) const { return m_form->findChild<QAction *>(QLatin1String(name)); }

    void chooseFromMenu(const char *name) { ::chooseFromMenu(m_form.get(), name); }

    QStringList names() const
    {
        QStringList result;
        for (int i = 0; i < m_store->entryCount(); ++i)
            result << m_store->readTextField(i, ListField::Name);
        return result;
    }

    void newForm()
    {
        m_tester.reset();
        m_form.reset();
        m_session = std::make_unique<RaceSession>();
        m_store = &m_session->store();
        m_form = std::make_unique<TfrmStartList>(*m_session);
        m_tester = std::make_unique<QAbstractItemModelTester>(&m_store->model(),
                                                              QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }

    void clickHeader(int column)
    {
        QHeaderView *header = grid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }

    QPoint cellCenter(int row, int column) const
    {
        return grid()->visualRect(grid()->model()->index(row, column)).center();
    }

private slots:
    void init()
    {
        QDir(programFolder()).removeRecursively();
        QDir().mkpath(programFolder());
        OperatorDialogs::takeShownMessages();
        newForm();
    }
    void cleanup()
    {
        OperatorDialogs::clearQueues();
        m_tester.reset();
        m_form.reset();
        m_store = nullptr;
        m_session.reset();
        OperatorDialogs::takeShownMessages();
    }

    void layoutOfTheWindow()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Zorvexa Starlist Editor"));
        QCOMPARE(m_form->CurrentClass(), 1);
        QCOMPARE(heading(), QStringLiteral("Class 01"));
        QCOMPARE(tabs()->count(), 10);
        QCOMPARE(tabs()->tabText(9), QStringLiteral("Class 10"));
        const int widths[] = {30, 150, 50, 80, 120, 120, 120};
        for (int column = 0; column < 7; ++column) {
            QVERIFY(!grid()->isColumnHidden(column));
            QCOMPARE(grid()->columnWidth(column), widths[column]);
        }
        for (int column = 7; column < ListFieldCount; ++column)
            QVERIFY(grid()->isColumnHidden(column));
        QCOMPARE(grid()->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Start-Nr"));
        QCOMPARE(status(), QStringLiteral("0 entries"));
    }

    void shortcuts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("open") << "mnuOpen" << QKeySequence(Qt::CTRL | Qt::Key_O);
        QTest::newRow("merge") << "mnuMerge" << QKeySequence(Qt::CTRL | Qt::Key_M);
        QTest::newRow("save as") << "mnuSaveAs" << QKeySequence(Qt::CTRL | Qt::Key_S);
        QTest::newRow("add row") << "mnuAddRow" << QKeySequence(Qt::Key_Insert);
        QTest::newRow("delete rows") << "mnuDeleteRows" << QKeySequence(Qt::CTRL | Qt::Key_Delete);
        QTest::newRow("class editor") << "mnuClassEditor" << QKeySequence(Qt::CTRL | Qt::Key_T);
        QTest::newRow("help") << "mnuHelp" << QKeySequence(Qt::Key_F1);
    }
    void shortcuts()
    {
        QFETCH(QString, name);
        QFETCH(QKeySequence, keys);
        QAction *item = m_form->findChild<QAction *>(name);
        QVERIFY(item);
        QCOMPARE(item->shortcut(), keys);
        QSignalSpy triggered(item, &QAction::triggered);
        grid()->setFocus();
        QTest::keySequence(m_form.get(), keys);
        QCOMPARE(triggered.count(), 1);
    }

    void addRowWithInsert()
    {
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_Insert);
        QCOMPARE(m_store->entryCount(), 1);
        QCOMPARE(m_store->readTextField(0, ListField::Number), QStringLiteral("1"));
        QCOMPARE(m_store->readTextField(0, ListField::Name), QString());
        QCOMPARE(m_store->readNumberField(0, ListField::Time2), 0);
        QCOMPARE(status(), QStringLiteral("1 entry"));
    }

    // A late entry: Ins in the middle of a long list, and the name typed at once goes into the
    // new last row, which is in view. Escape closes the editor with the entry in the class file.
    void typingAfterInsertFillsTheNewRow_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("short list") << 3;
        QTest::newRow("list longer than the window") << 40;
    }
    void typingAfterInsertFillsTheNewRow()
    {
        QFETCH(int, rows);
        QStringList before;
        for (int i = 0; i < rows; ++i)
            before << QStringLiteral("Driver %1").arg(i + 1);
        writeClass(1, before);
        m_form->LoadCurrentClass();
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(1, int(ListField::Info1)));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(grid(), Qt::Key_Insert);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Late Entry"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(names(), before + QStringList {QStringLiteral("Late Entry")});
        QVERIFY(grid()->viewport()->rect().contains(grid()->visualRect(grid()->model()->index(rows, 1))));
        QTest::keyClick(grid(), Qt::Key_Escape);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(readClassFile(1).text(rows, ListField::Name), QStringLiteral("Late Entry"));
    }

    void deleteRows_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("rows 2 and 3 of five") << true << QList<int> {1, 2} << QStringList {"a", "d", "e"};
        QTest::newRow("answered No") << false << QList<int> {1, 2} << QStringList {"a", "b", "c", "d", "e"};
        QTest::newRow("nothing selected") << true << QList<int> {} << QStringList {"a", "b", "c", "d", "e"};
    }
    void deleteRows()
    {
        QFETCH(bool, answer);
        QFETCH(QList<int>, selected);
        QFETCH(QStringList, left);
        writeClass(1, {"a", "b", "c", "d", "e"});
        m_form->LoadCurrentClass();
        grid()->clearSelection();
        for (int row : selected)
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCenter(row, 0));
        OperatorDialogs::queueAnswer(answer);
        OperatorDialogs::takeQuestionDefaults();
        QTest::keyClick(grid(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList {QStringLiteral("Delete selected row(s)?")});
        // A stray Enter deletes nothing.
        QCOMPARE(OperatorDialogs::takeQuestionDefaults(), QList<QMessageBox::StandardButton> {QMessageBox::No});
        QCOMPARE(names(), left);
        QCOMPARE(m_store->readTextField(left.size() - 1, ListField::Number), QString::number(left.size()));
    }

    void clearThenCloseLeavesAnEmptyFile()
    {
        writeClass(1, {"a", "b"});
        m_form->LoadCurrentClass();
        OperatorDialogs::queueAnswer(true);
        OperatorDialogs::takeQuestionDefaults();
        chooseFromMenu("mnuClear");
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList {QStringLiteral("Clear list?")});
        QCOMPARE(OperatorDialogs::takeQuestionDefaults(), QList<QMessageBox::StandardButton> {QMessageBox::No});
        QCOMPARE(m_store->entryCount(), 0);
        QCOMPARE(readBytes(ClassListPath(1)).count("[ZVX1RECORD]"), 2); // nothing written yet
        chooseFromMenu("mnuClose");
        QVERIFY(!m_form->isVisible());
        QCOMPARE(readBytes(ClassListPath(1)), QByteArray("[ZVX1FILE]\r\n[ZVX1END]\r\n"));
    }

    void clearAnsweredNoKeepsTheList()
    {
        writeClass(1, {"a"});
        m_form->LoadCurrentClass();
        OperatorDialogs::queueAnswer(false);
        chooseFromMenu("mnuClear");
        QCOMPARE(names(), QStringList {"a"});
    }

    void enterEditsTheFocusedCell()
    {
        chooseFromMenu("mnuAddRow");
        // Add row opens the new name for typing; Escape leaves it empty.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        // Into the grid with the keys: the first cell, then one to the right.
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_Home);
        QTest::keyClick(grid(), Qt::Key_Right);
        QCOMPARE(grid()->currentIndex().column(), int(ListField::Name));
        QTest::keyClick(grid(), Qt::Key_Return);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("Kim"));
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits on Return through a queued call.
        QTRY_COMPARE(m_store->readTextField(0, ListField::Name), QStringLiteral("Kim"));
    }

    void enterOnHashDoesNotEdit()
    {
        chooseFromMenu("mnuAddRow");
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_Home);
        QCOMPARE(grid()->currentIndex().column(), int(ListField::Number));
        QTest::keyClick(grid(), Qt::Key_Return);
        QVERIFY(!grid()->findChild<QLineEdit *>() || !grid()->findChild<QLineEdit *>()->isVisible());
    }

    void clickEditsAndTabSwitchCommits()
    {
        chooseFromMenu("mnuAddRow");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(0, int(ListField::Age)));
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor && editor->isVisible());
        QTest::keyClicks(editor, QStringLiteral("12"));
        // Switching class with the editor still open: the text reaches the entry before the save.
        QTest::mouseClick(tabs(), Qt::LeftButton, {}, tabs()->tabRect(1).center());
        QCOMPARE(m_form->CurrentClass(), 2);
        QCOMPARE(heading(), QStringLiteral("Class 02"));
        QCOMPARE(readClassFile(1).text(0, ListField::Age), QStringLiteral("12"));
        // A class without a file starts empty instead of inheriting class 1's entries.
        QCOMPARE(m_store->entryCount(), 0);
        QTest::mouseClick(tabs(), Qt::LeftButton, {}, tabs()->tabRect(0).center());
        QCOMPARE(m_store->readTextField(0, ListField::Age), QStringLiteral("12"));
    }

    void headerClickSorts_data()
    {
        QTest::addColumn<ListField>("field");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("sorted");
        QTest::addColumn<QString>("error");
        QTest::newRow("name") << ListField::Name << QStringList {"alpha", "Zeta"} << 1 << QStringList {"Zeta", "alpha"}
                              << QString();
        QTest::newRow("name twice") << ListField::Name << QStringList {"Zeta", "alpha"} << 2
                                    << QStringList {"alpha", "Zeta"} << QString();
        QTest::newRow("age") << ListField::Age << QStringList {"10", "9"} << 1 << QStringList {"9", "10"} << QString();
        QTest::newRow("age with a blank") << ListField::Age << QStringList {"10", ""} << 1 << QStringList {"10", ""}
                                          << "'' is not a valid floating point value";
        QTest::newRow("hash does not sort")
            << ListField::Number << QStringList {"b", "a"} << 1 << QStringList {"b", "a"} << QString();
    }
    void headerClickSorts()
    {
        QFETCH(ListField, field);
        QFETCH(QStringList, texts);
        QFETCH(int, clicks);
        QFETCH(QStringList, sorted);
        QFETCH(QString, error);
        const ListField column = field == ListField::Number ? ListField::Name : field;
        QVERIFY(WriteListFile(listOfTexts(column, texts), ClassListPath(1)).ok());
        m_form->LoadCurrentClass();
        for (int i = 0; i < clicks; ++i)
            clickHeader(int(field));
        QStringList now;
        for (int i = 0; i < m_store->entryCount(); ++i)
            now << m_store->readTextField(i, column);
        QCOMPARE(now, sorted);
        QCOMPARE(OperatorDialogs::takeShownMessages(), error.isEmpty() ? QStringList {} : QStringList {error});
    }

    // A sort refused for a text that is no number leaves the arrow on the order in force.
    void refusedSortKeepsTheArrow()
    {
        StartList list;
        for (const char *age : {"10", ""}) {
            list.add();
            list.setText(list.count() - 1, ListField::Name, QString::fromLatin1(age) + QStringLiteral("x"));
            list.setText(list.count() - 1, ListField::Age, QString::fromLatin1(age));
        }
        QVERIFY(WriteListFile(list, ClassListPath(1)).ok());
        m_form->LoadCurrentClass();
        QHeaderView *header = grid()->horizontalHeader();
        clickHeader(int(ListField::Name));
        const Qt::SortOrder order = header->sortIndicatorOrder();
        clickHeader(int(ListField::Age));
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList {"'' is not a valid floating point value"});
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), int(ListField::Name));
        QCOMPARE(header->sortIndicatorOrder(), order);
    }

    void selectClass_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("classAfter");
        QTest::addColumn<bool>("written");
        QTest::newRow("same class saves and reloads") << 1 << 1 << true;
        QTest::newRow("another class") << 4 << 4 << true;
        QTest::newRow("zero does nothing") << 0 << 1 << false;
        QTest::newRow("eleven does nothing") << 11 << 1 << false;
    }
    void selectClass()
    {
        QFETCH(int, target);
        QFETCH(int, classAfter);
        QFETCH(bool, written);
        chooseFromMenu("mnuAddRow");
        m_store->writeNumberField(0, ListField::Time1, 65430, ChangeSource::Hand);
        QSignalSpy tabChanged(tabs(), &QTabBar::currentChanged);
        m_form->SelectClass(target);
        QCOMPARE(m_form->CurrentClass(), classAfter);
        QCOMPARE(tabs()->currentIndex(), classAfter - 1);
        QCOMPARE(tabChanged.count(), 0);
        QCOMPARE(QFile::exists(ClassListPath(1)), written);
        if (written)
            QCOMPARE(readClassFile(1).wholeNumber(0, ListField::Time1), 65430);
        if (classAfter == 1)
            QCOMPARE(m_store->readNumberField(0, ListField::Time1), 65430);
        QCOMPARE(heading(), QStringLiteral("Class %1").arg(classAfter, 2, 10, QLatin1Char('0')));
    }

    void failedSaveKeepsTheListAndSaysWhy()
    {
        chooseFromMenu("mnuAddRow");
        QDir().mkpath(ClassListPath(1)); // a folder where the file should go
        QVERIFY(!m_form->SaveCurrentClass());
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.constFirst().section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("%1 is not a regular file.").arg(QDir::toNativeSeparators(ClassListPath(1))));
        QCOMPARE(m_store->entryCount(), 1);
    }

    void failedLoadIsShownWithTheCopy()
    {
        QFile bad(ClassListPath(2));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("[ZVX1FILE]\r\n[ZVX1RECORD]\r\nKim\r\n\r\n\r\n\r\n\r\n\r\n1,5\r\n");
        bad.close();
        m_form->SelectClass(2);
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.constFirst().startsWith(QStringLiteral("'1,5' is not a valid floating point value\n")));
        QVERIFY(shown.constFirst().contains(QStringLiteral("List02.dat.bak")));
        QCOMPARE(names(), QStringList {"Kim"});
        m_form->SelectClass(1);
        QVERIFY(readBytes(ClassListPath(2) + ".bak").endsWith("1,5\r\n"));
    }

    void openMergeAndSaveAs()
    {
        const QString file = programFolder() + QStringLiteral("event.zvx");
        writeClass(1, {"a", "b"});
        m_form->LoadCurrentClass();
        OperatorDialogs::queueFileName(programFolder() + QStringLiteral("event"));
        chooseFromMenu("mnuSaveAs");
        QVERIFY(QFile::exists(file));

        OperatorDialogs::queueFileName(programFolder() + QStringLiteral("event"));
        chooseFromMenu("mnuMerge");
        QCOMPARE(names(), (QStringList {"a", "b", "a", "b"}));

        writeClass(9, {"x"});
        OperatorDialogs::queueFileName(ClassListPath(9));
        chooseFromMenu("mnuOpen");
        QCOMPARE(names(), QStringList {"x"});
        // Open and Merge change the list in memory only; the class file waits for the next save point.
        QCOMPARE(readClassFile(1).count(), 2);

        chooseFromMenu("mnuOpen"); // cancelled: nothing happens
        QCOMPARE(names(), QStringList {"x"});
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList {});
    }

    void typedNamesGetTheListSuffix_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("loaded");
        QTest::newRow("open, name without suffix") << "mnuOpen"
                                                   << "a" << QStringList {"from a.zvx"};
        QTest::newRow("merge, name without suffix") << "mnuMerge"
                                                    << "a" << QStringList {"here", "from a.zvx"};
        QTest::newRow("open, full name") << "mnuOpen"
                                         << "a.zvx" << QStringList {"from a.zvx"};
        QTest::newRow("open, other suffix kept") << "mnuOpen"
                                                 << "b.txt" << QStringList {"from b.txt"};
    }
    void typedNamesGetTheListSuffix()
    {
        QFETCH(QString, menu);
        QFETCH(QString, typed);
        QFETCH(QStringList, loaded);
        writeClass(1, {"here"});
        m_form->LoadCurrentClass();
        QVERIFY(WriteListFile(listOfNames({"from a.zvx"}), programFolder() + "a.zvx").ok());
        QVERIFY(WriteListFile(listOfNames({"from b.txt"}), programFolder() + "b.txt").ok());
        // A file of the bare name is no list of ours; the typed name means the list.
        QVERIFY(WriteListFile(listOfNames({"from a"}), programFolder() + "a").ok());
        OperatorDialogs::queueFileName(programFolder() + typed);
        chooseFromMenu(menu.toLatin1().constData());
        QCOMPARE(names(), loaded);
        QCOMPARE(OperatorDialogs::takeShownMessages(), QStringList {});
    }

    void saveAsChecksTheTypedName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("message");
        QTest::newRow("name without suffix") << "list"
                                             << "list.zvx"
                                             << "";
        QTest::newRow("full name") << "list.zvx"
                                   << "list.zvx"
                                   << "";
        QTest::newRow("folder that does not exist") << "missing/list"
                                                    << ""
                                                    << "The folder %1missing does not exist.\nNothing was saved.";
        QTest::newRow("two folders that do not exist")
            << "missing/deeper/list.zvx"
            << ""
            << "The folder %1missing/deeper does not exist.\nNothing was saved.";
    }
    void saveAsChecksTheTypedName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, message);
        writeClass(1, {"a", "b"});
        m_form->LoadCurrentClass();
        OperatorDialogs::queueFileName(programFolder() + typed);
        chooseFromMenu("mnuSaveAs");
        const QStringList shown = OperatorDialogs::takeShownMessages();
        if (message.isEmpty()) {
            QCOMPARE(shown, QStringList {});
            StartList saved;
            QVERIFY(ReadListFile(saved, programFolder() + written, false));
            QCOMPARE(saved.count(), 2);
        } else {
            QCOMPARE(shown, QStringList {message.arg(QDir::toNativeSeparators(programFolder()))});
            QVERIFY(!QDir(programFolder() + "missing").exists());
        }
    }

    void sortingKeepsTheSelectedParticipants()
    {
        writeClass(1, {"d", "b", "a", "c"});
        m_form->LoadCurrentClass();
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(0, 0));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCenter(2, 0));
        clickHeader(int(ListField::Name));
        QCOMPARE(names(), (QStringList {"a", "b", "c", "d"}));
        QCOMPARE(m_store->readTextField(grid()->currentIndex().row(), ListField::Name), QStringLiteral("a"));
        QStringList selected;
        for (const QModelIndex &index : grid()->selectionModel()->selectedRows())
            selected << m_store->readTextField(index.row(), ListField::Name);
        selected.sort();
        QCOMPARE(selected, (QStringList {"a", "d"}));

        OperatorDialogs::queueAnswer(true);
        QTest::keyClick(grid(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(names(), (QStringList {"b", "c"}));
    }

    void classesByKeyboard_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("to");
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::newRow("Ctrl+PgDn in the grid") << 1 << "grid" << Qt::Key_PageDown << ctrl << 2;
        QTest::newRow("Ctrl+PgUp in the grid") << 3 << "grid" << Qt::Key_PageUp << ctrl << 2;
        QTest::newRow("Ctrl+Tab in the grid") << 4 << "grid" << Qt::Key_Tab << ctrl << 5;
        QTest::newRow("Ctrl+Shift+Tab in the grid") << 4 << "grid" << Qt::Key_Backtab << ctrlShift << 3;
        QTest::newRow("Ctrl+PgDn on the tabs") << 1 << "tabs" << Qt::Key_PageDown << ctrl << 2;
        QTest::newRow("Ctrl+PgDn while editing") << 1 << "editor" << Qt::Key_PageDown << ctrl << 2;
        QTest::newRow("Ctrl+Tab while editing") << 1 << "editor" << Qt::Key_Tab << ctrl << 2;
        QTest::newRow("past the last class") << 10 << "grid" << Qt::Key_PageDown << ctrl << 1;
        QTest::newRow("before the first class") << 1 << "grid" << Qt::Key_PageUp << ctrl << 10;
    }
    void classesByKeyboard()
    {
        QFETCH(int, from);
        QFETCH(QString, focus);
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, to);
        writeClass(from, {"Kim"});
        m_form->LoadCurrentClass();
        QTest::mouseClick(tabs(), Qt::LeftButton, {}, tabs()->tabRect(from - 1).center());
        QCOMPARE(m_form->CurrentClass(), from);
        if (focus != QStringLiteral("tabs")) {
            // A plain click on a cell opens its editor; Escape leaves the grid focused.
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(0, int(ListField::Info1)));
            QWidget *editor = QApplication::focusWidget();
            QVERIFY(qobject_cast<QLineEdit *>(editor));
            QTest::keyClicks(editor, QStringLiteral("note"));
            if (focus == QStringLiteral("grid"))
                QTest::keyClick(m_form->windowHandle(), Qt::Key_Escape);
        }
        QTest::keyClick(m_form->windowHandle(), key, modifiers);
        QCOMPARE(m_form->CurrentClass(), to);
        QCOMPARE(tabs()->currentIndex(), to - 1);
        QCOMPARE(heading(), QStringLiteral("Class %1").arg(to, 2, 10, QLatin1Char('0')));
        // What was typed into an open editor reaches the class left.
        if (focus == QStringLiteral("editor"))
            QCOMPARE(readClassFile(from).text(0, ListField::Info1), QStringLiteral("note"));
    }

    void allClassTabsShowAtTheDesignedSize()
    {
        QCOMPARE(m_form->size(), QSize(686, 414));
        QTabBar *bar = tabs();
        QVERIFY(bar->sizeHint().width() <= bar->width()); // nothing shrunk or elided
        for (int i = 0; i < bar->count(); ++i)
            QVERIFY2(bar->rect().contains(bar->tabRect(i)), qPrintable(bar->tabText(i)));
        for (const QToolButton *scroll : bar->findChildren<QToolButton *>())
            QVERIFY(!scroll->isVisible());
        // The last tab is reached with the mouse.
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(9).center());
        QCOMPARE(m_form->CurrentClass(), 10);
    }

    void longTextsStayWhole_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("at the line editor's old limit") << 32'767;
        QTest::newRow("40,000 characters") << 40'000;
        QTest::newRow("100,000 characters") << 100'000;
    }
    void longTextsStayWhole()
    {
        QFETCH(int, length);
        QString name;
        for (int i = 0; i < length; ++i)
            name += QLatin1Char(char('a' + i % 26));
        writeClass(1, {name});
        m_form->LoadCurrentClass();
        QCOMPARE(m_store->readTextField(0, ListField::Name).size(), length);

        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(0, int(ListField::Name)));
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text().size(), length);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, QStringLiteral("Z!"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_store->readTextField(0, ListField::Name), name + QStringLiteral("Z!"));

        chooseFromMenu("mnuClose");
        QCOMPARE(readClassFile(1).text(0, ListField::Name), name + QStringLiteral("Z!"));
    }

    void enteredTextShowsWhatTheFileHolds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("held");
        QTest::newRow("Polish L with stroke") << QStringLiteral("\u0141ukasz") << QStringLiteral("Lukasz");
        QTest::newRow("Polish town") << QStringLiteral("\u0141\u00f3d\u017a") << QStringLiteral("L\u00f3dz");
        QTest::newRow("Japanese") << QStringLiteral("\u65e5\u672c") << QStringLiteral("??");
        QTest::newRow("Latin-1 letters stay")
            << QStringLiteral("Zo\u00eb M\u00fcller") << QStringLiteral("Zo\u00eb M\u00fcller");
        QTest::newRow("euro sign stays") << QStringLiteral("\u20ac5") << QStringLiteral("\u20ac5");
        QTest::newRow("plain") << QStringLiteral("Kim") << QStringLiteral("Kim");
    }
    void enteredTextShowsWhatTheFileHolds()
    {
        QFETCH(QString, typed);
        QFETCH(QString, held);
        writeClass(1, {"x"});
        m_form->LoadCurrentClass();
        const QString countLine = status();
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(0, int(ListField::Info2)));
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, editor, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        QCOMPARE(editor->text(), typed);
        QTest::keyClick(editor, Qt::Key_Return);
        // Shown as soon as the edit ends, before any class switch.
        QTRY_COMPARE(m_store->readTextField(0, ListField::Info2), held);
        QCOMPARE(grid()->model()->index(0, int(ListField::Info2)).data().toString(), held);
        if (held == typed)
            QCOMPARE(status(), countLine);
        else
            QCOMPARE(
                status(),
                QStringLiteral("\"%1\" is saved as \"%2\": a list file has no other letters for it.").arg(typed, held));
        // The note stays until the next edit.
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(0, int(ListField::Info3)));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("B"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(status(), countLine);
        m_form->SelectClass(2);
        QCOMPARE(readClassFile(1).text(0, ListField::Info2), held);
    }

    // The help names every key of the window and says where the lists are kept.
    void helpNamesTheKeysAndFiles()
    {
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_F1);
        const QStringList shown = OperatorDialogs::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        for (const QAction *item : m_form->actions()) {
            for (const QKeySequence &keys : item->shortcuts()) {
                const QString name = keys.toString(QKeySequence::NativeText);
                // Shift+Tab arrives as Backtab: one key for the operator.
                QVERIFY2(shown.constFirst().contains(name) || keys[0].key() == Qt::Key_Backtab, qPrintable(name));
            }
        }
        QVERIFY(shown.constFirst().contains(QStringLiteral("List01.dat")));
        QVERIFY(shown.constFirst().contains(QStringLiteral("saved by itself")));
    }

    // A name cut to fit its cell shows whole in the tooltip.
    void cutNameShowsWholeInTheTooltip()
    {
        const QString name = QStringLiteral("Maximiliane Alexandra von Hohenberg-Waldstein");
        writeClass(1, {name});
        m_form->LoadCurrentClass();
        const QPoint at = cellCenter(0, int(ListField::Name));
        QHelpEvent help(QEvent::ToolTip, at, grid()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid()->viewport(), &help);
        QCOMPARE(QToolTip::text(), name);
    }

    void classEditorRefreshesCaptions()
    {
        bool opened = false;
        m_form->setClassEditorOpener([&] { opened = true; });
        tabs()->setTabText(2, QStringLiteral("stale"));
        chooseFromMenu("mnuClassEditor");
        QVERIFY(opened);
        QCOMPARE(tabs()->tabText(2), QStringLiteral("Class 03"));
    }

    void cellColours()
    {
        for (int i = 0; i < 3; ++i)
            chooseFromMenu("mnuAddRow");
        grid()->clearSelection();
        grid()->selectionModel()->setCurrentIndex(grid()->model()->index(1, 1), QItemSelectionModel::NoUpdate);
        const QImage image = grid()->viewport()->grab().toImage();
        const auto colourAt = [&](int row) {
            const QRect cell = grid()->visualRect(grid()->model()->index(row, 2));
            return bgrFromColor(image.pixelColor(cell.center().x(), cell.top() + 3));
        };
        QCOMPARE(colourAt(0), 0xF8F8F8u);
        QCOMPARE(colourAt(1), 0xFFFFFFu);
        QCOMPARE(colourAt(2), 0xF8F8F8u);
        chooseFromMenu("mnuAddRow");
        const QImage more = grid()->viewport()->grab().toImage();
        // The new row is the focused one now; row 1 shows the odd rows' grey.
        const QRect odd = grid()->visualRect(grid()->model()->index(1, 2));
        QCOMPARE(bgrFromColor(more.pixelColor(odd.center().x(), odd.top() + 3)), 0xF0F0F0u);
        QCOMPARE(bgrFromColor(more.pixelColor(10, more.height() - 3)), 0xBBBBBBu);
    }
};

ZORVEXA_TEST_MAIN(TestStartListEditor)
#include "test_startlist_editor.moc"
