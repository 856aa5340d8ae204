#include "core/protocol/ProtocolModel.h"
#include "core/startlist/ClassStore.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

Q_DECLARE_METATYPE(RunFields)

class TestProtocol final : public QObject
{
    Q_OBJECT

    double m_fp = 2.0;
    double m_fs = 10.0;
    RunState m_state;
    std::unique_ptr<ClassStore> m_store;

    // The first entry is Kim's.
    std::unique_ptr<ProtocolModel> makeModel(const std::vector<RunFields> &entries)
    {
        m_store = std::make_unique<ClassStore>();
        StartList list = listOfRuns(entries);
        list.setText(0, ListField::Name, QStringLiteral("Kim"));
        m_store->replaceList(std::move(list), ChangeSource::Load);
        auto model = std::make_unique<ProtocolModel>(*m_store);
        model->setPenaltySeconds(m_fp, m_fs);
        model->setRunState(m_state);
        return model;
    }

private slots:
    void init()
    {
        m_fp = 2.0;
        m_fs = 10.0;
        m_state = RunState {};
    }

    void scoring_data()
    {
        QTest::addColumn<double>("fpSeconds");
        QTest::addColumn<double>("fsSeconds");
        QTest::addColumn<RunFields>("fields");
        QTest::addColumn<QList<int>>("derived"); // Fehler 1, Gesamt 1, Fehler 2, Gesamt 2, Ges.Zeit
        QTest::newRow("worked example") << 2.0 << 10.0 << RunFields {65'430, 2, 1, 0, 0, 0}
                                        << QList<int> {14'000, 79'430, 0, 0, 79'430};
        QTest::newRow("seconds truncated")
            << 2.9 << 10.0 << RunFields {0, 2, 0, 0, 0, 0} << QList<int> {4'000, 4'000, 0, 0, 4'000};
        QTest::newRow("zero seconds cost nothing")
            << 0.0 << 0.0 << RunFields {1'000, 5, 5, 2'000, 1, 1} << QList<int> {0, 1'000, 0, 2'000, 3'000};
        QTest::newRow("largest spin counts") << 100.0 << 100.0 << RunFields {0, 99, 0, 0, 0, 99}
                                             << QList<int> {9'900'000, 9'900'000, 9'900'000, 9'900'000, 19'800'000};
        QTest::newRow("both runs") << 2.0 << 10.0 << RunFields {60'000, 1, 0, 61'000, 0, 1}
                                   << QList<int> {2'000, 62'000, 10'000, 71'000, 133'000};
        // count x 1000 wraps at 32 bits before it is widened: 3,000,000 x 1000 = -1,294,967,296.
        QTest::newRow("count product wraps") << 1.0 << 0.0 << RunFields {0, 3'000'000, 0, 0, 0, 0}
                                             << QList<int> {-1'294'967'296, -1'294'967'296, 0, 0, -1'294'967'296};
        // 64-bit penalty, stored as its low 32 bits: 2,000,000,000 x 100 = 200,000,000,000.
        QTest::newRow("penalty keeps low 32 bits") << 100.0 << 0.0 << RunFields {0, 2'000'000, 0, 0, 0, 0}
                                                   << QList<int> {-1'863'462'912, -1'863'462'912, 0, 0, -1'863'462'912};
        QTest::newRow("grand total wraps at 32 bits") << 0.0 << 0.0 << RunFields {2'147'483'647, 0, 0, 10, 0, 0}
                                                      << QList<int> {0, 2'147'483'640, 0, 10, -2'147'483'646};
        QTest::newRow("negative counts") << 2.0 << 10.0 << RunFields {5'000, -1, 0, 0, 0, 0}
                                         << QList<int> {-2'000, 3'000, 0, 0, 3'000};
    }
    void scoring()
    {
        QFETCH(double, fpSeconds);
        QFETCH(double, fsSeconds);
        QFETCH(RunFields, fields);
        QFETCH(QList<int>, derived);
        m_fp = fpSeconds;
        m_fs = fsSeconds;
        auto model = makeModel({fields});
        using P = ProtocolModel;
        const QList<int> actual {model->cell(0, P::Penalty1), model->cell(0, P::Total1), model->cell(0, P::Penalty2),
                                 model->cell(0, P::Total2), model->cell(0, P::GrandTotal)};
        QCOMPARE(actual, derived);
        QCOMPARE(model->runFields(0), fields);
        // Alone in its class: first with both runs timed, no place otherwise.
        QCOMPARE(model->cell(0, P::Place), fields.time1 != 0 && fields.time2 != 0 ? 1 : 0);
        QCOMPARE(model->cell(0, P::Number), 0);
        QCOMPARE(model->cell(0, P::Name), 0);
    }

    // The model follows the store: a new list is one reset, a changed field one row's repaint.
    void modelFollowsTheStore()
    {
        auto model = makeModel({{1, 0, 0, 0, 0, 0}});
        QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        m_store->replaceList(listOfRuns({{}, {}, {5, 1, 1, 0, 0, 0}}), ChangeSource::Editor);
        QCOMPARE(reset.count(), 1); // one batch, one repaint
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->cell(2, ProtocolModel::Number), 2);
        QVERIFY(m_store->writeNumberField(2, ListField::FP2, 7, ChangeSource::Hand));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model->cell(2, ProtocolModel::Penalty2), 14'000);
        m_store->addEntry(ChangeSource::Editor);
        QCOMPARE(model->rowCount(), 4);
        QCOMPARE(m_store->removeEntries({0, 1, 2, 3}, ChangeSource::Editor), 4);
        QCOMPARE(model->rowCount(), 0);
    }

    // The running clock shows in the current participant's cells and places, never in the store.
    void liveTimeIsShownNotStored()
    {
        m_state = {true, 1, 2};
        auto model = makeModel({{10'000, 0, 0, 10'000, 0, 0}, {5'000, 0, 0, 0, 0, 0}});
        QSignalSpy stored(m_store.get(), &ClassStore::changed);
        QCOMPARE(model->cell(1, ProtocolModel::Place), 0);
        model->showLiveTime(4'000);
        QCOMPARE(model->cell(1, ProtocolModel::Time2), 4'000);
        QCOMPARE(model->cell(1, ProtocolModel::GrandTotal), 9'000);
        QCOMPARE(model->cell(1, ProtocolModel::Place), 1);
        QCOMPARE(model->cell(0, ProtocolModel::Place), 2);
        QCOMPARE(m_store->readNumberField(1, ListField::Time2), 0);
        QCOMPARE(stored.count(), 0);
        // Stopped without a recorded time: the row shows the store again.
        model->setRunState({false, 1, 2});
        QCOMPARE(model->cell(1, ProtocolModel::Time2), 0);
        QCOMPARE(model->cell(1, ProtocolModel::Place), 0);
        QCOMPARE(model->cell(0, ProtocolModel::Place), 1);
    }

    void typedCountsGoToTheStore_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("stored");
        QTest::newRow("count") << int(ProtocolModel::FS1) << "2" << true << 2;
        QTest::newRow("fraction to the even neighbour") << int(ProtocolModel::FP2) << "2.5" << true << 2;
        QTest::newRow("no number") << int(ProtocolModel::FP1) << "zwei" << false << 0;
        QTest::newRow("time cells take nothing") << int(ProtocolModel::Time1) << "5" << false << 0;
    }
    void typedCountsGoToTheStore()
    {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(bool, taken);
        QFETCH(int, stored);
        auto model = makeModel({{}});
        QCOMPARE(model->setData(model->index(0, column), text), taken);
        static const QMap<int, ListField> fields {{ProtocolModel::FP1, ListField::FP1},
                                                  {ProtocolModel::FS1, ListField::FS1},
                                                  {ProtocolModel::FP2, ListField::FP2},
                                                  {ProtocolModel::Time1, ListField::Time1}};
        QCOMPARE(m_store->readNumberField(0, fields.value(column)), stored);
        QCOMPARE(model->cell(0, column), stored);
    }

    void changedSecondsRescoreEveryRow()
    {
        auto model = makeModel({{0, 2, 0, 0, 0, 0}, {1'000, 0, 1, 0, 0, 0}});
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        model->setPenaltySeconds(3.0, 5.0);
        QCOMPARE(model->cell(0, ProtocolModel::Penalty1), 6'000);
        QCOMPARE(model->cell(1, ProtocolModel::Total1), 6'000);
        QCOMPARE(model->cell(1, ProtocolModel::GrandTotal), 6'000);
        QCOMPARE(changed.count(), 1);
        // The same whole seconds score the same: nothing is redone.
        model->setPenaltySeconds(3.7, 5.2);
        QCOMPARE(changed.count(), 1);
    }

    void rowsOutsideTheTableAreIgnored()
    {
        auto model = makeModel({});
        QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        model->RecalculateRow(0);
        model->RecalculateRow(-1);
        model->showLiveTime(5);
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(model->runFields(0), RunFields {});
        QCOMPARE(model->cell(0, ProtocolModel::Time1), 0);
        QCOMPARE(changed.count(), 0);
    }

    void cellTexts_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("text");
        QTest::newRow("position") << int(ProtocolModel::Number) << false << "1";
        QTest::newRow("name") << int(ProtocolModel::Name) << false << "Kim";
        QTest::newRow("run time") << int(ProtocolModel::Time1) << false << "01:05.43";
        QTest::newRow("running shows tenths") << int(ProtocolModel::Time1) << true << "01:05.4";
        QTest::newRow("running total tenths") << int(ProtocolModel::GrandTotal) << true << "01:19.4";
        QTest::newRow("count") << int(ProtocolModel::FP1) << false << "2";
        QTest::newRow("untimed run") << int(ProtocolModel::Time2) << false << "00:00.00";
        QTest::newRow("place is blank") << int(ProtocolModel::Place) << false << "";
    }
    void cellTexts()
    {
        QFETCH(int, column);
        QFETCH(bool, running);
        QFETCH(QString, text);
        m_state.running = running;
        m_state.currentRow = 0;
        auto model = makeModel({{65'430, 2, 1, 0, 0, 0}});
        QCOMPARE(model->cellText(0, column), text);
        QCOMPARE(model->data(model->index(0, column)).toString(), text);
    }

    void otherRowsKeepHundredthsWhileRunning()
    {
        m_state.running = true;
        m_state.currentRow = 1;
        auto model = makeModel({{12'340, 0, 0, 0, 0, 0}, {12'340, 0, 0, 0, 0, 0}});
        QCOMPARE(model->cellText(0, ProtocolModel::Time1), QStringLiteral("00:12.34"));
        QCOMPARE(model->cellText(1, ProtocolModel::Time1), QStringLiteral("00:12.3"));
    }

    void negativeTimes_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("minus a second") << qint64(-1'000) << "-00:01.00";
        QTest::newRow("smallest cell") << qint64(-2'147'483'648LL) << "-35791:23.64";
        QTest::newRow("zero") << qint64(0) << "00:00.00";
    }
    void negativeTimes()
    {
        QFETCH(qint64, value);
        QFETCH(QString, text);
        QCOMPARE(formatCellTime(value), text);
    }

    void cellColors_data()
    {
        QTest::addColumn<int>("run");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("expected");
        QTest::newRow("active name, run 1") << 1 << 0 << int(ProtocolModel::Name) << "active";
        QTest::newRow("active run-1 total") << 1 << 0 << int(ProtocolModel::Total1) << "active";
        QTest::newRow("run 2 not active in run 1") << 1 << 0 << int(ProtocolModel::Time2) << "undefined";
        QTest::newRow("active run-2 cell") << 2 << 0 << int(ProtocolModel::Penalty2) << "active";
        QTest::newRow("run-1 cells not active in run 2") << 2 << 0 << int(ProtocolModel::Time1) << "accepted";
        QTest::newRow("grand total never active") << 2 << 0 << int(ProtocolModel::GrandTotal) << "default";
        QTest::newRow("empty run editor: nothing active") << 0 << 0 << int(ProtocolModel::Name) << "default";
        QTest::newRow("other row timed run") << 1 << 1 << int(ProtocolModel::FP1) << "accepted";
        QTest::newRow("other row untimed run") << 1 << 1 << int(ProtocolModel::FS2) << "undefined";
        QTest::newRow("place") << 1 << 1 << int(ProtocolModel::Place) << "default";
    }
    void cellColors()
    {
        QFETCH(int, run);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, expected);
        m_state.currentRow = 0;
        m_state.runNumber = run;
        auto model = makeModel({{65'430, 0, 0, 0, 0, 0}, {1, 0, 0, -5, 0, 0}});
        const ProtocolColors c;
        const QMap<QString, std::uint32_t> colors {{"active", c.activeColor},
                                                   {"accepted", c.acceptedColor},
                                                   {"undefined", c.undefinedColor},
                                                   {"default", c.defaultColor}};
        QCOMPARE(model->cellColor(row, column), colors.value(expected));
        QCOMPARE(model->data(model->index(row, column), ProtocolModel::ColorRole).value<std::uint32_t>(),
                 colors.value(expected));
    }

    void onlyCountColumnsAreEditable()
    {
        auto model = makeModel({{}});
        for (int c = 0; c < ProtocolModel::ColumnCount; ++c)
            QCOMPARE(bool(model->flags(model->index(0, c)) & Qt::ItemIsEditable), ProtocolModel::isCountColumn(c));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestProtocol)
#include "test_protocol.moc"
