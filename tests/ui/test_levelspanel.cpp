#include "histogramview.h"
#include "levelshandles.h"
#include "levelspanel.h"
#include "prescanprocessing.h"

#include <processingsteps.h>
#include <profileprocessingoptions.h>
#include <scanprofile.h>
#include <stimage.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include <cmath>

namespace
{

// A 16-bit picture whose red rises across it to full scale and whose blue falls to
// 0, with texture, framed by a dark border; every pixel row the same.
STImage rampPicture(std::uint32_t width, std::uint32_t height)
{
    STImage image = STImage::zeroed(width, height, 16, 3);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const double u = double(x) / (width - 1);
            const bool border = x < width / 16 || y < height / 16 || y >= height - height / 16;
            image.setRed(x, y, border ? 1500 : std::uint32_t(std::lround(u * 65535)));
            image.setGreen(
                x, y, border ? 1500 : std::uint32_t(20000 + 8000 * std::sin(double(x + 3 * y) / 5)));
            image.setBlue(x, y, border ? 1500 : std::uint32_t(std::lround((1 - u) * 65535)));
        }
    }
    return image;
}

// Each pixel of image as a block of factor x factor pixels: the final scan of the
// prescan's picture at a higher resolution.
STImage enlarged(const STImage& image, std::uint32_t factor)
{
    STImage result = STImage::zeroed(image.width() * factor, image.height() * factor, 16, 3);
    for (std::uint32_t y = 0; y < result.height(); ++y) {
        for (std::uint32_t x = 0; x < result.width(); ++x) {
            result.setRed(x, y, image.red(x / factor, y / factor));
            result.setGreen(x, y, image.green(x / factor, y / factor));
            result.setBlue(x, y, image.blue(x / factor, y / factor));
        }
    }
    return result;
}

template <typename T> T* child(QWidget* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    Q_ASSERT(found != nullptr);
    return found;
}

} // namespace

Q_DECLARE_METATYPE(LevelsChannel)
Q_DECLARE_METATYPE(LevelsHandles::Handle)

class TestLevelsPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void handleMoves_data();
    void handleMoves();
    void handleUnderTheMouse_data();
    void handleUnderTheMouse();
    void clippingPictures();
    void typingChangesTheSelectedChannel();
    void setLevelsDoesNotEmit();
    void autoAndReset();
    void draggingTheWhitePointShowsClipping();
    void previewAgreesWithTheFinalScan_data();
    void previewAgreesWithTheFinalScan();
};

void TestLevelsPanel::initTestCase()
{
    qRegisterMetaType<LevelsSettings>("LevelsSettings");
    qRegisterMetaType<LevelsPreview::Clipping>("LevelsPreview::Clipping");
}

void TestLevelsPanel::handleMoves_data()
{
    QTest::addColumn<LevelsChannel>("levels");
    QTest::addColumn<LevelsHandles::Handle>("handle");
    QTest::addColumn<double>("level");
    QTest::addColumn<LevelsChannel>("expected");

    const LevelsChannel start = LevelsChannel { 20, 200, 1.0 };
    QTest::newRow("black to a level")
        << start << LevelsHandles::Black << 50.4 << LevelsChannel { 50, 200, 1.0 };
    QTest::newRow("black stops short of white")
        << start << LevelsHandles::Black << 240.0 << LevelsChannel { 198, 200, 1.0 };
    QTest::newRow("black below the scale")
        << start << LevelsHandles::Black << -30.0 << LevelsChannel { 0, 200, 1.0 };
    QTest::newRow("white stops short of black")
        << start << LevelsHandles::White << 3.0 << LevelsChannel { 20, 22, 1.0 };
    QTest::newRow("white beyond the scale")
        << start << LevelsHandles::White << 300.0 << LevelsChannel { 20, 255, 1.0 };
    // The gamma handle's input goes to half scale: at a quarter of the range, 0.25^(1/g) = 0.5.
    QTest::newRow("gamma at a quarter")
        << start << LevelsHandles::Gamma << 65.0 << LevelsChannel { 20, 200, 2.0 };
    QTest::newRow("gamma at the middle")
        << start << LevelsHandles::Gamma << 110.0 << LevelsChannel { 20, 200, 1.0 };
    QTest::newRow("gamma past white stays inside")
        << start << LevelsHandles::Gamma << 250.0 << LevelsChannel { 20, 200, LevelsChannel::kMinGamma };
}

void TestLevelsPanel::handleMoves()
{
    QFETCH(LevelsChannel, levels);
    QFETCH(LevelsHandles::Handle, handle);
    QFETCH(double, level);
    QFETCH(LevelsChannel, expected);

    const LevelsChannel moved = LevelsHandles::moved(levels, handle, level);
    QCOMPARE(moved, expected);
    // The handle then sits where it was put, within a level (gamma within its limits).
    if (handle == LevelsHandles::Gamma && moved.gamma > LevelsChannel::kMinGamma)
        QVERIFY(std::abs(LevelsHandles::position(moved, handle) - level) < 1.0);
}

void TestLevelsPanel::handleUnderTheMouse_data()
{
    QTest::addColumn<double>("level");
    QTest::addColumn<LevelsHandles::Handle>("expected");

    // Black 20, white 200, gamma 2: the gamma handle sits at 65.
    QTest::newRow("on black") << 21.0 << LevelsHandles::Black;
    QTest::newRow("on white") << 196.0 << LevelsHandles::White;
    QTest::newRow("on gamma") << 63.0 << LevelsHandles::Gamma;
    QTest::newRow("nearer gamma than black") << 45.0 << LevelsHandles::Gamma;
    QTest::newRow("out of reach") << 130.0 << LevelsHandles::None;
}

void TestLevelsPanel::handleUnderTheMouse()
{
    QFETCH(double, level);
    QFETCH(LevelsHandles::Handle, expected);
    QCOMPARE(LevelsHandles::handleAt(LevelsChannel { 20, 200, 2.0 }, level, 25.0), expected);
}

void TestLevelsPanel::clippingPictures()
{
    STImage image = STImage::zeroed(3, 1, 16, 3);
    image.setRed(0, 0, 0); // red at black, green and blue inside
    image.setGreen(0, 0, 100);
    image.setBlue(0, 0, 30000);
    image.setRed(1, 0, 65535); // red and green at white
    image.setGreen(1, 0, 65535);
    image.setBlue(1, 0, 5);
    // The third pixel is black in every channel.
    LevelsPreview preview;
    preview.setSource(image);
    QVERIFY(!preview.clippingImage(LevelsPreview::NoClipping).isNull());
    QCOMPARE(preview.clippingImage(LevelsPreview::NoClipping).red(1, 0), 65535u);

    const STImage atBlack = preview.clippingImage(LevelsPreview::BlackClipping);
    QCOMPARE(atBlack.bitsPerSample(), 8u);
    QCOMPARE(QVector<std::uint32_t>({ atBlack.red(0, 0), atBlack.green(0, 0), atBlack.blue(0, 0) }),
        QVector<std::uint32_t>({ 0, 255, 255 }));
    QCOMPARE(QVector<std::uint32_t>({ atBlack.red(1, 0), atBlack.green(1, 0), atBlack.blue(1, 0) }),
        QVector<std::uint32_t>({ 255, 255, 255 }));
    QCOMPARE(QVector<std::uint32_t>({ atBlack.red(2, 0), atBlack.green(2, 0), atBlack.blue(2, 0) }),
        QVector<std::uint32_t>({ 0, 0, 0 }));
    const STImage atWhite = preview.clippingImage(LevelsPreview::WhiteClipping);
    QCOMPARE(QVector<std::uint32_t>({ atWhite.red(1, 0), atWhite.green(1, 0), atWhite.blue(1, 0) }),
        QVector<std::uint32_t>({ 255, 255, 0 }));
    QCOMPARE(QVector<std::uint32_t>({ atWhite.red(0, 0), atWhite.green(0, 0), atWhite.blue(0, 0) }),
        QVector<std::uint32_t>({ 0, 0, 0 }));

    // A white point below the blue of the first pixel makes it clip too.
    LevelsSettings levels;
    levels[LevelsSettings::Blue] = LevelsChannel { 0, 100, 1.0 };
    preview.setLevels(levels);
    QCOMPARE(preview.clippingImage(LevelsPreview::WhiteClipping).blue(0, 0), 255u);
    QCOMPARE(preview.histogram().clippedWhite(ToneHistogram::Blue), 1.0 / 3);
    QCOMPARE(preview.sourceHistogram().clippedWhite(ToneHistogram::Blue), 0.0);
}

void TestLevelsPanel::typingChangesTheSelectedChannel()
{
    LevelsPanel panel;
    panel.setImage(rampPicture(120, 40));
    QSignalSpy changed(&panel, &LevelsPanel::levelsChanged);
    QSignalSpy settled(&panel, &LevelsPanel::levelsSettled);
    auto* channels = child<QComboBox>(&panel, "comboBox_channel");
    channels->setCurrentIndex(LevelsSettings::Green);
    child<QSpinBox>(&panel, "spinBox_white")->setValue(180);
    child<QDoubleSpinBox>(&panel, "doubleSpinBox_gamma")->setValue(1.4);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(settled.count(), 2);
    const LevelsSettings last = changed.last().at(0).value<LevelsSettings>();
    QCOMPARE(last[LevelsSettings::Green], (LevelsChannel { 0, 180, 1.4 }));
    QVERIFY(last[LevelsSettings::All].isNeutral());
    QVERIFY(last[LevelsSettings::Red].isNeutral());
    QCOMPARE(panel.levels(), last);

    // A black point typed past the white one pushes the white along.
    child<QSpinBox>(&panel, "spinBox_black")->setValue(200);
    QCOMPARE(panel.levels()[LevelsSettings::Green], (LevelsChannel { 200, 202, 1.4 }));

    // Another channel shows its own values; switching emits nothing.
    channels->setCurrentIndex(LevelsSettings::All);
    QCOMPARE(child<QSpinBox>(&panel, "spinBox_white")->value(), 255);
    QCOMPARE(changed.count(), 3);

    // The shown picture and the clipped numbers follow: green 200-202 clips most pixels.
    QCOMPARE(
        panel.preview().shown().green(60, 20) == 0 || panel.preview().shown().green(60, 20) == 65535, true);
    QVERIFY(panel.preview().histogram().clippedBlack(ToneHistogram::Green) > 0.5);
    const double share = panel.preview().histogram().clippedBlack(ToneHistogram::Green) * 100;
    QVERIFY(child<QLabel>(&panel, "label_clippedBlack")
                ->text()
                .contains(QStringLiteral("G %1 %").arg(QLocale().toString(share, 'f', 2))));
}

void TestLevelsPanel::setLevelsDoesNotEmit()
{
    LevelsPanel panel;
    panel.setImage(rampPicture(64, 16));
    QSignalSpy changed(&panel, &LevelsPanel::levelsChanged);
    LevelsSettings levels;
    levels[LevelsSettings::All] = LevelsChannel { 10, 240, 0.8 };
    levels[LevelsSettings::Red] = LevelsChannel { 30, 220, 1.0 };
    panel.setLevels(levels);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(panel.levels(), levels);
    QCOMPARE(child<QSpinBox>(&panel, "spinBox_black")->value(), 10);
    child<QComboBox>(&panel, "comboBox_channel")->setCurrentIndex(LevelsSettings::Red);
    QCOMPARE(child<QSpinBox>(&panel, "spinBox_black")->value(), 30);
    QCOMPARE(changed.count(), 0);
}

void TestLevelsPanel::autoAndReset()
{
    LevelsPanel panel;
    // Red spans the whole scale, blue too; the dark border is 1500 in every channel.
    STImage picture = rampPicture(256, 64);
    panel.setImage(picture);
    QSignalSpy changed(&panel, &LevelsPanel::levelsChanged);
    child<QDoubleSpinBox>(&panel, "doubleSpinBox_autoClip")->setValue(1.0);
    child<QPushButton>(&panel, "pushButton_auto")->click();
    QCOMPARE(changed.count(), 1);
    const LevelsSettings found = panel.levels();
    QVERIFY(found[LevelsSettings::All].isNeutral());
    // Green moves between about 12000 and 28000 (bins 46 ... 109), but the border, far
    // more than 1 % of the picture, holds 1500 (bin 5): black stops just below it.
    QCOMPARE(found[LevelsSettings::Green].black, 4);
    QVERIFY2(found[LevelsSettings::Green].white >= 105 && found[LevelsSettings::Green].white <= 112,
        qPrintable(QString::number(found[LevelsSettings::Green].white)));
    // No more than the chosen share clips on either side after Auto.
    QVERIFY(panel.preview().histogram().clippedBlack(ToneHistogram::Green) <= 0.01);
    QVERIFY(panel.preview().histogram().clippedWhite(ToneHistogram::Green) <= 0.01);
    // Auto a second time finds the same: it works from the picture before levels.
    child<QPushButton>(&panel, "pushButton_auto")->click();
    QCOMPARE(panel.levels(), found);
    QCOMPARE(changed.count(), 1);

    child<QPushButton>(&panel, "pushButton_reset")->click();
    QCOMPARE(changed.count(), 2);
    QVERIFY(panel.levels().isNeutral());
    QCOMPARE(panel.preview().shown().green(100, 30), picture.green(100, 30));
}

void TestLevelsPanel::draggingTheWhitePointShowsClipping()
{
    LevelsPanel panel;
    panel.resize(360, 300);
    panel.setImage(rampPicture(120, 40));
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    auto* view = child<HistogramView>(&panel, "histogramView");
    QSignalSpy changed(&panel, &LevelsPanel::levelsChanged);
    QSignalSpy clipping(&panel, &LevelsPanel::clippingChanged);
    QSignalSpy settled(&panel, &LevelsPanel::levelsSettled);

    const int handleY = view->height() - 5;
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->xOf(255), handleY));
    QCOMPARE(clipping.count(), 1);
    QCOMPARE(clipping.last().at(0).value<LevelsPreview::Clipping>(), LevelsPreview::WhiteClipping);
    for (int level : { 230, 200 }) {
        QMouseEvent move(
            QEvent::MouseMove, QPointF(view->xOf(level), handleY), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(view, &move);
    }
    QCOMPARE(settled.count(), 0); // not while the handle is held
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->xOf(200), handleY));
    QCOMPARE(clipping.count(), 2);
    QCOMPARE(clipping.last().at(0).value<LevelsPreview::Clipping>(), LevelsPreview::NoClipping);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(settled.count(), 1);
    QCOMPARE(settled.last().at(0).value<LevelsSettings>(), panel.levels());
    QCOMPARE(panel.levels()[LevelsSettings::All].white, 200);
    QCOMPARE(child<QSpinBox>(&panel, "spinBox_white")->value(), 200);
    QVERIFY(panel.preview().histogram().clippedWhite(ToneHistogram::Red) > 0.15);

    // Without "show clipping" a drag changes the levels but not the preview's mode.
    child<QCheckBox>(&panel, "checkBox_showClipping")->setChecked(false);
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->xOf(0), handleY));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->xOf(0), handleY));
    QCOMPARE(clipping.count(), 2);
    QCOMPARE(settled.count(), 1); // a click that moved nothing settles nothing
}

void TestLevelsPanel::previewAgreesWithTheFinalScan_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("brightness");

    QTest::newRow("slides, auto contrast, brightness") << int(ScanProfile::SlideMode) << 25;
    QTest::newRow("slides, no brightness") << int(ScanProfile::SlideMode) << 0;
    QTest::newRow("film, brightness") << int(ScanProfile::FilmMode) << -30;
}

// What the preview shows under levels is what the final scan saves: the prescan's
// picture scanned at three times the resolution, through the final pipeline with the
// same profile, reduced again, agrees with the preview within one 8-bit level.
void TestLevelsPanel::previewAgreesWithTheFinalScan()
{
    QFETCH(int, mode);
    QFETCH(int, brightness);

    ScanProfile profile;
    profile.setMode(mode);
    FilmSettings film;
    film.autoContrast = { true, 0 };
    profile.setFilmSettings(film);
    profile.setBrightness(brightness);
    LevelsSettings levels;
    levels[LevelsSettings::All] = LevelsChannel { 15, 235, 1.35 };
    levels[LevelsSettings::Blue] = LevelsChannel { 30, 200, 0.7 };
    profile.setLevels(levels);

    const STImage raw = rampPicture(144, 96);
    ProcessingSteps steps;
    const STImage working = PrescanProcessing::reprocess(raw, profile, 82, steps);
    LevelsPanel panel;
    panel.setImage(PrescanProcessing::withBrightness(working, profile.brightness(), steps));
    panel.setLevels(profile.levels());
    const STImage preview = panel.preview().shown().to8Bit();

    STImage scan = enlarged(raw, 3);
    QVERIFY(steps.runFinalScan(scan, profileProcessingOptions(profile, 82)));
    const STImage reduced = scan.to8Bit().scaled(raw.width(), raw.height());

    int worst = 0;
    for (std::uint32_t y = 0; y < raw.height(); ++y) {
        for (std::uint32_t x = 0; x < raw.width(); ++x) {
            worst = std::max({ worst, std::abs(int(preview.red(x, y)) - int(reduced.red(x, y))),
                std::abs(int(preview.green(x, y)) - int(reduced.green(x, y))),
                std::abs(int(preview.blue(x, y)) - int(reduced.blue(x, y))) });
        }
    }
    QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));
    // The levels did change the picture.
    QVERIFY(preview.blue(20, 50) != working.to8Bit().blue(20, 50)
        || preview.red(100, 50) != working.to8Bit().red(100, 50));
}

QTEST_MAIN(TestLevelsPanel)
#include "test_levelspanel.moc"
