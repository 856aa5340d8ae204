#include "core/settings/ClassNames.h"
#include "core/settings/RaceRulesSettings.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/StartList.h"
#include "core/text/Numbers.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QLocale>

#include <limits>

Q_DECLARE_METATYPE(ListField)

namespace {
StartList listOf(ListField field, const QStringList &texts)
{
    StartList list = listOfTexts(field, texts);
    // The position before sorting travels with the entry, so the order can be checked.
    for (int i = 0; i < list.count(); ++i)
        list.setWholeNumber(i, ListField::Time1, i + 1);
    return list;
}

QStringList column(const StartList &list, ListField field)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.text(i, field);
    return texts;
}
} // namespace

class TestStartListCore final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void wholeNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint32>("whole");
        QTest::newRow("half down to even") << 2.5 << 2;
        QTest::newRow("half up to even") << 3.5 << 4;
        QTest::newRow("negative half to even") << -2.5 << -2;
        QTest::newRow("negative half up") << -3.5 << -4;
        QTest::newRow("below half") << 65430.49 << 65430;
        QTest::newRow("above half") << 0.51 << 1;
        QTest::newRow("int32 max") << 2147483647.0 << std::numeric_limits<qint32>::max();
        QTest::newRow("int32 min") << -2147483648.0 << std::numeric_limits<qint32>::min();
        QTest::newRow("one past max wraps") << 2147483648.0 << std::numeric_limits<qint32>::min();
        QTest::newRow("2^32 keeps low bits") << 4294967296.0 << 0;
        QTest::newRow("2^32 + 5") << 4294967301.0 << 5;
        QTest::newRow("-2^32 - 1") << -4294967297.0 << -1;
        QTest::newRow("1e300 is 2^k times odd, low bits 0") << 1e300 << 0;
        QTest::newRow("largest double") << std::numeric_limits<double>::max() << 0;
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 0;
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << 0;
        QTest::newRow("tiny") << 1e-300 << 0;
    }
    void wholeNumber()
    {
        QFETCH(double, value);
        QFETCH(qint32, whole);
        QCOMPARE(wholeNumberOf(value), whole);
    }

    void decimalTexts_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "C"
                               << "65430" << true << 65430.0;
        QTest::newRow("negative") << "C"
                                  << "-12" << true << -12.0;
        QTest::newRow("plus sign") << "C"
                                   << "+7" << true << 7.0;
        QTest::newRow("fraction") << "C"
                                  << "2.5" << true << 2.5;
        QTest::newRow("leading point") << "C"
                                       << ".5" << true << 0.5;
        QTest::newRow("trailing point") << "C"
                                        << "5." << true << 5.0;
        QTest::newRow("exponent") << "C"
                                  << "1.5E20" << true << 1.5e20;
        QTest::newRow("negative exponent") << "C"
                                           << "1e-7" << true << 1e-7;
        QTest::newRow("blanks around") << "C"
                                       << "  42 " << true << 42.0;
        QTest::newRow("underflow is zero") << "C"
                                           << "1e-400" << true << 0.0;
        QTest::newRow("comma in German") << "de_DE"
                                         << "2,5" << true << 2.5;
        QTest::newRow("point is no separator in German") << "de_DE"
                                                         << "2.5" << false << 0.0;
        QTest::newRow("group separator refused") << "de_DE"
                                                 << "1.000" << false << 0.0;
        QTest::newRow("comma in C") << "C"
                                    << "2,5" << false << 0.0;
        QTest::newRow("empty") << "C"
                               << "" << false << 0.0;
        QTest::newRow("blank") << "C"
                               << " " << false << 0.0;
        QTest::newRow("only point") << "C"
                                    << "." << false << 0.0;
        QTest::newRow("only sign") << "C"
                                   << "-" << false << 0.0;
        QTest::newRow("double sign") << "C"
                                     << "--1" << false << 0.0;
        QTest::newRow("overflow") << "C"
                                  << "1e400" << false << 0.0;
        QTest::newRow("nan") << "C"
                             << "nan" << false << 0.0;
        QTest::newRow("inf") << "C"
                             << "inf" << false << 0.0;
        QTest::newRow("hex") << "C"
                             << "0x10" << false << 0.0;
        QTest::newRow("exponent without digits") << "C"
                                                 << "1e" << false << 0.0;
        QTest::newRow("two points") << "C"
                                    << "1.2.3" << false << 0.0;
        QTest::newRow("blank inside") << "C"
                                      << "1 2" << false << 0.0;
        QTest::newRow("letters") << "C"
                                 << "Kim" << false << 0.0;
        QTest::newRow("NUL inside") << "C" << QStringLiteral("1\u00002") << false << 0.0;
        QTest::newRow("Arabic-Indic digits") << "C" << QStringLiteral("\u0661") << false << 0.0;
        QTest::newRow("long zeros") << "C" << QString(5000, QLatin1Char('0')) + "1" << true << 1.0;
    }
    void decimalTexts()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        QLocale::setDefault(QLocale(locale));
        const std::optional<double> parsed = parseDecimal(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    void generalNumber_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << "C" << 0.0 << "0";
        QTest::newRow("negative zero") << "C" << -0.0 << "0";
        QTest::newRow("whole") << "C" << 65430.0 << "65430";
        QTest::newRow("negative whole") << "C" << -2147483648.0 << "-2147483648";
        QTest::newRow("fraction") << "C" << 2.5 << "2.5";
        QTest::newRow("fraction, comma") << "de_DE" << 2.5 << "2,5";
        QTest::newRow("small fraction") << "C" << 0.001 << "0.001";
        QTest::newRow("15 digits") << "C" << 123456789012345.0 << "123456789012345";
        QTest::newRow("largest plain whole") << "C" << 999999999999999.0 << "999999999999999";
        QTest::newRow("negative 15 digits") << "C" << -999999999999999.0 << "-999999999999999";
        QTest::newRow("1e15 goes to exponent") << "C" << 1e15 << "1E15";
        QTest::newRow("just below a whole") << "C" << 65429.75 << "65429.75";
        QTest::newRow("negative fraction") << "C" << -0.5 << "-0.5";
        QTest::newRow("16 digits go to exponent") << "C" << 1234567890123456.0 << "1.23456789012346E15";
        QTest::newRow("1e20") << "C" << 1e20 << "1E20";
        QTest::newRow("rounded to 15 digits") << "C" << 0.1 + 0.2 << "0.3";
        QTest::newRow("tiny uses exponent") << "C" << 1.5e-7 << "1.5E-7";
        QTest::newRow("rounding carries into a new digit") << "C" << 9.9999999999999999 << "10";
    }
    void generalNumber()
    {
        QFETCH(QString, locale);
        QFETCH(double, value);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(formatGeneralNumber(value), text);
        // What is written must read back, within the 15 digits written.
        const std::optional<double> back = parseDecimal(text);
        QVERIFY(back.has_value());
        QVERIFY(qFuzzyCompare(1.0 + *back, 1.0 + value));
    }

    void addRowGivesEmptyEntry()
    {
        StartList list;
        list.add();
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.text(0, ListField::Number), QStringLiteral("1"));
        for (int f = int(ListField::Name); f <= int(ListField::Info3); ++f)
            QVERIFY(list.text(0, ListField(f)).isEmpty());
        for (int f = int(ListField::Time1); f <= int(ListField::FS2); ++f)
            QCOMPARE(list.wholeNumber(0, ListField(f)), 0);
    }

    void fieldAccessOutsideTheListIsHarmless_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<ListField>("field");
        QTest::newRow("negative index") << -1 << ListField::Name;
        QTest::newRow("index past end") << 1 << ListField::FP1;
        QTest::newRow("field past end") << 0 << ListField(13);
        QTest::newRow("negative field") << 0 << ListField(-1);
    }
    void fieldAccessOutsideTheListIsHarmless()
    {
        QFETCH(int, index);
        QFETCH(ListField, field);
        StartList list;
        list.add();
        QVERIFY(list.text(index, field).isEmpty());
        QCOMPARE(list.wholeNumber(index, field), 0);
        QVERIFY(!list.setWholeNumber(index, field, 5));
        QVERIFY(!list.setText(index, field, QStringLiteral("x")));
    }

    void numberFieldsAreNotText()
    {
        StartList list;
        list.add();
        QVERIFY(!list.setText(0, ListField::Time1, QStringLiteral("12")));
        QVERIFY(!list.setText(0, ListField::Number, QStringLiteral("12")));
        QVERIFY(!list.setWholeNumber(0, ListField::Name, 12));
        QVERIFY(list.setWholeNumber(0, ListField::FS2, -7));
        QCOMPARE(list.wholeNumber(0, ListField::FS2), -7);
        QCOMPARE(list.text(0, ListField::FS2), QStringLiteral("-7"));
    }

    void removeRows_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("entries 2 and 3 of five") << 5 << QList<int> {1, 2} << QStringList {"a", "d", "e"};
        QTest::newRow("nothing selected") << 3 << QList<int> {} << QStringList {"a", "b", "c"};
        QTest::newRow("all") << 3 << QList<int> {2, 0, 1} << QStringList {};
        QTest::newRow("first and last") << 4 << QList<int> {0, 3} << QStringList {"b", "c"};
        QTest::newRow("repeated and out of range ignored") << 3 << QList<int> {1, 1, -1, 7} << QStringList {"a", "c"};
    }
    void removeRows()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, selected);
        QFETCH(QStringList, left);
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << QString(QChar('a' + i));
        StartList list = listOf(ListField::Name, names);
        list.removeRows(std::vector<int>(selected.begin(), selected.end()));
        QCOMPARE(column(list, ListField::Name), left);
        for (int i = 0; i < list.count(); ++i)
            QCOMPARE(list.text(i, ListField::Number), QString::number(i + 1));
    }

    void sort_data()
    {
        QTest::addColumn<ListField>("field");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("name by code, upper case first")
            << ListField::Name << QStringList {"alpha", "Zeta", "beta"} << 1 << QStringList {"Zeta", "alpha", "beta"};
        QTest::newRow("second click reverses")
            << ListField::Name << QStringList {"alpha", "Zeta", "beta"} << 2 << QStringList {"beta", "alpha", "Zeta"};
        QTest::newRow("third click ascends again")
            << ListField::Info2 << QStringList {"b", "c", "a"} << 3 << QStringList {"a", "b", "c"};
        QTest::newRow("age as numbers: 9 before 10")
            << ListField::Age << QStringList {"10", "9", "11"} << 1 << QStringList {"9", "10", "11"};
        QTest::newRow("start number descending")
            << ListField::StartNr << QStringList {"2", "10", "-1", "2.5"} << 2 << QStringList {"10", "2.5", "2", "-1"};
        QTest::newRow("name as text: 10 before 9")
            << ListField::Name << QStringList {"9", "10"} << 1 << QStringList {"10", "9"};
        QTest::newRow("empty texts first")
            << ListField::Info1 << QStringList {"x", "", "a"} << 1 << QStringList {"", "a", "x"};
        QTest::newRow("umlaut after z by code") << ListField::Info3 << QStringList {QStringLiteral("\u00c4"), "z", "A"}
                                                << 1 << QStringList {"A", "z", QStringLiteral("\u00c4")};
    }
    void sort()
    {
        QFETCH(ListField, field);
        QFETCH(QStringList, texts);
        QFETCH(int, clicks);
        QFETCH(QStringList, sorted);
        StartList list = listOf(field, texts);
        for (int i = 0; i < clicks; ++i)
            QCOMPARE(list.sortBy(field), QString());
        QCOMPARE(column(list, field), sorted);
        // The entries themselves move: their hidden numbers follow the texts.
        for (int i = 0; i < list.count(); ++i)
            QCOMPARE(list.text(i, field), texts.at(list.wholeNumber(i, ListField::Time1) - 1));
    }

    void sortKeepsEqualKeysInOrder()
    {
        StartList list = listOf(ListField::Age, {"12", "10", "12", "10"});
        QCOMPARE(list.sortBy(ListField::Age), QString());
        QList<qint32> origin;
        for (int i = 0; i < list.count(); ++i)
            origin << list.wholeNumber(i, ListField::Time1);
        QCOMPARE(origin, (QList<qint32> {2, 4, 1, 3}));
    }

    void eachColumnKeepsItsOwnDirection()
    {
        StartList list = listOf(ListField::Name, {"b", "a", "c"});
        list.sortBy(ListField::Name);
        list.sortBy(ListField::Name); // Name now descending
        QVERIFY(list.isDescending(ListField::Name));
        list.sortBy(ListField::Info1); // another column: ascending, its own direction
        QVERIFY(!list.isDescending(ListField::Info1));
        list.sortBy(ListField::Name); // back to Name: its remembered direction, not reversed
        QCOMPARE(column(list, ListField::Name), (QStringList {"c", "b", "a"}));
        QCOMPARE(list.sortColumn(), std::optional<ListField>(ListField::Name));
    }

    void numericSortRefusesNonNumbers_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty text") << QStringList {"3", "", "1"} << "'' is not a valid floating point value";
        QTest::newRow("letters") << QStringList {"3", "12a"} << "'12a' is not a valid floating point value";
        QTest::newRow("nan") << QStringList {"nan", "1"} << "'nan' is not a valid floating point value";
    }
    void numericSortRefusesNonNumbers()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, message);
        StartList list = listOf(ListField::Age, texts);
        QCOMPARE(list.sortBy(ListField::Age), message);
        QCOMPARE(column(list, ListField::Age), texts);
        QCOMPARE(list.sortColumn(), std::nullopt);
    }

    void notAFloatMessageIsElided()
    {
        const QString message = notAFloatMessage(QString(100000, QLatin1Char('x')));
        QVERIFY(message.size() < 300);
        QVERIFY(message.endsWith(QStringLiteral("' is not a valid floating point value")));
    }

    void hashAndNumbersCannotBeSorted()
    {
        StartList list = listOf(ListField::Name, {"b", "a"});
        QCOMPARE(list.sortBy(ListField::Number), QString());
        QCOMPARE(list.sortBy(ListField::Time1), QString());
        QCOMPARE(column(list, ListField::Name), (QStringList {"b", "a"}));
    }

    void defaultClassNames_data()
    {
        QTest::addColumn<int>("classIndex");
        QTest::addColumn<QString>("name");
        QTest::newRow("first") << 1 << "Class 01";
        QTest::newRow("ninth") << 9 << "Class 09";
        QTest::newRow("tenth") << 10 << "Class 10";
        QTest::newRow("below range") << 0 << QString();
        QTest::newRow("above range") << 11 << QString();
    }
    void defaultClassNames()
    {
        QFETCH(int, classIndex);
        QFETCH(QString, name);
        const RaceRules rules = readRaceRules(SettingsStore()).value();
        QCOMPARE(rules.className(classIndex), name);
        QCOMPARE(rules.className(classIndex).isNull(), name.isNull());
    }
};

ZORVEXA_CORE_TEST_MAIN(TestStartListCore)
#include "test_startlist_core.moc"
