#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "gui/common/Form_Info.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"
#include "gui/widgets/OvrenLiquidIndicator.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>

#include <cmath>

// The windows measured in logical pixels, and the segment display's picture, at the scale this
// process runs with. The test compares a copy started with QT_SCALE_FACTOR against itself at 100 %.
namespace {
constexpr char MeasureArgument[] = "--measure";

QJsonObject rectObject(const QRect &r)
{
    return {{"x", r.x()}, {"y", r.y()}, {"w", r.width()}, {"h", r.height()}};
}

QRect rectOf(const QJsonValue &value)
{
    const QJsonObject o = value.toObject();
    return {o["x"].toInt(), o["y"].toInt(), o["w"].toInt(), o["h"].toInt()};
}

// Every named control of a window, placed relative to the window.
void addControls(QJsonObject &out, const QString &windowName, QWidget &window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return;
    out.insert(windowName, rectObject(QRect(QPoint(), window.size())));
    const auto children = window.findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child->objectName().isEmpty() || child->objectName().startsWith(QLatin1String("qt_"))
            || !child->isVisibleTo(&window))
            continue;
        QJsonObject control = rectObject(QRect(child->mapTo(&window, QPoint()), child->size()));
        // A text that needs more room at this scale would be cut off.
        if (auto *label = qobject_cast<QLabel *>(child))
            control.insert("text", label->text());
        if (auto *button = qobject_cast<QAbstractButton *>(child))
            control.insert("text", button->text());
        if (control.contains("text"))
            control.insert("hint", child->sizeHint().width());
        out.insert(windowName + QLatin1Char('/') + child->objectName(), control);
    }
    window.hide();
}

// Aligned 2 x 2 blocks of one colour throughout mean a 100 % picture blown up.
int mixedBlocks(const QImage &image)
{
    int mixed = 0;
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c || image.pixel(x + 1, y + 1) != c)
                ++mixed;
        }
    return mixed;
}

QJsonObject measure()
{
    QJsonObject out;
    out.insert("ratio", qApp->devicePixelRatio());
    RaceSession session;
    TfrmMain frmMain(session);
    TfrmStartList frmStartList(session, &frmMain);
    TfrmInfo frmInfo(&frmMain);
    QJsonObject controls;
    addControls(controls, QStringLiteral("frmMain"), frmMain);
    addControls(controls, QStringLiteral("frmStartList"), frmStartList);
    addControls(controls, QStringLiteral("frmInfo"), frmInfo);
    out.insert("controls", controls);

    frmMain.show();
    if (!QTest::qWaitForWindowExposed(&frmMain))
        return {};
    auto *tablo = frmMain.findChild<TOvrenLiquidIndicator *>(QStringLiteral("Tablo"));
    tablo->setText(QStringLiteral("47:11.08"));
    const QImage prepared = tablo->preparedImage();
    const QImage shown = tablo->grab().toImage().convertToFormat(prepared.format());
    out.insert("tablo",
               QJsonObject {{"logical", rectObject(QRect(QPoint(), tablo->size()))},
                            {"pixels", rectObject(QRect(QPoint(), prepared.size()))},
                            {"imageRatio", prepared.devicePixelRatio()},
                            {"widgetRatio", tablo->devicePixelRatioF()},
                            {"shownAsPrepared", shown.size() == prepared.size() && shown == prepared},
                            {"mixedBlocks", mixedBlocks(shown)}});
    return out;
}
} // namespace

class TestHighDpi final : public QObject
{
    Q_OBJECT

    QJsonObject m_base;

    static QJsonObject measureAt(double scale)
    {
        QProcess copy;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        copy.setProcessEnvironment(environment);
        copy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy.start(QCoreApplication::applicationFilePath(), {QLatin1String(MeasureArgument)});
        if (!copy.waitForFinished(60000) || copy.exitCode() != 0)
            return {};
        return QJsonDocument::fromJson(copy.readAllStandardOutput()).object();
    }

private slots:
    void initTestCase()
    {
        m_base = measure();
        QCOMPARE(m_base["ratio"].toDouble(), 1.0);
        QVERIFY(m_base["controls"].toObject().size() > 20);
    }

    void layoutKept_data()
    {
        QTest::addColumn<double>("scale");
        QTest::newRow("150 %") << 1.5;
        QTest::newRow("200 %") << 2.0;
    }
    void layoutKept()
    {
        QFETCH(double, scale);
        const QJsonObject scaled = measureAt(scale);
        QVERIFY2(!scaled.isEmpty(), "the scaled copy did not report");
        QCOMPARE(scaled["ratio"].toDouble(), scale);

        const QJsonObject base = m_base["controls"].toObject();
        const QJsonObject controls = scaled["controls"].toObject();
        QCOMPARE(controls.keys(), base.keys());
        for (const QString &name : base.keys()) {
            const QRect expected = rectOf(base[name]);
            const QRect actual = rectOf(controls[name]);
            // Logical pixels: the same places, give or take the rounding of a fractional scale.
            const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
            QVERIFY2(near(actual.x(), expected.x()) && near(actual.y(), expected.y())
                         && near(actual.width(), expected.width()) && near(actual.height(), expected.height()),
                     qPrintable(QStringLiteral("%1 moved from %2,%3 %4x%5 to %6,%7 %8x%9")
                                    .arg(name)
                                    .arg(expected.x())
                                    .arg(expected.y())
                                    .arg(expected.width())
                                    .arg(expected.height())
                                    .arg(actual.x())
                                    .arg(actual.y())
                                    .arg(actual.width())
                                    .arg(actual.height())));
            // The same text needs the same room (a folder name differs between the two copies).
            if (base[name]["text"] == controls[name]["text"] && base[name].toObject().contains("hint"))
                QVERIFY2(std::abs(controls[name]["hint"].toInt() - base[name]["hint"].toInt()) <= 1, qPrintable(name));
        }
    }

    void segmentDisplaySharp_data()
    {
        QTest::addColumn<double>("scale");
        QTest::newRow("100 %") << 1.0;
        QTest::newRow("150 %") << 1.5;
        QTest::newRow("200 %") << 2.0;
    }
    void segmentDisplaySharp()
    {
        QFETCH(double, scale);
        const QJsonObject tablo = (scale == 1.0 ? m_base : measureAt(scale))["tablo"].toObject();
        QVERIFY(!tablo.isEmpty());
        const QRect logical = rectOf(tablo["logical"]);
        const QRect pixels = rectOf(tablo["pixels"]);
        QCOMPARE(rectOf(m_base["tablo"].toObject()["logical"]), logical);
        QCOMPARE(tablo["widgetRatio"].toDouble(), scale);
        QCOMPARE(tablo["imageRatio"].toDouble(), scale);
        QCOMPARE(pixels.size(), (QSizeF(logical.size()) * scale).toSize());
        // Painting copies the prepared pixels one to one: nothing scaled, nothing blurred.
        QVERIFY(tablo["shownAsPrepared"].toBool());
        // Slanted segment edges step in device pixels, finer than a 100 % picture blown up.
        if (scale == 2.0)
            QVERIFY2(tablo["mixedBlocks"].toInt() > 100, qPrintable(QString::number(tablo["mixedBlocks"].toInt())));
    }
};

int main(int argc, char *argv[])
{
    TestEnvironment environment;
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    overrideProgramFolder(environment.programFolder());
    OperatorDialogs::setTestMode(true);
    if (argc > 1 && qstrcmp(argv[1], MeasureArgument) == 0) {
        QTextStream(stdout) << QJsonDocument(measure()).toJson(QJsonDocument::Compact);
        return 0;
    }
    TestHighDpi tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "test_highdpi.moc"
