// Auto crop on synthetic frames and on prescans of the simulated scanner's film holder.

#include "cip_autocrop.h"
#include "cip_imageprocess.h"
#include "rawimage_fixture.h"
#include "simulatordriver.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// The simulator's frame (inches in its 1.437 x 0.957 window) and the prescan's resolution.
constexpr double kPictureLeft = 0.115, kPictureTop = 0.070, kPictureRight = 1.322, kPictureBottom = 0.765;
constexpr int kDpi = 300;

} // namespace

class TestAutoCrop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void slideModeCrop();
    void fullPicture();
    void uniformImage_data();
    void uniformImage();
    void minimumNotSmallerThanImage();
    void fewChannels();
    void syntheticHolder();
    void simulatorHolder_data();
    void simulatorHolder();
    void parametersReadOnEveryRun();
    void valuesOutOfRangeActAsTheNearestEnd_data();
    void valuesOutOfRangeActAsTheNearestEnd();
    void minimumEdgesFarApartAskTooMuch();

private:
    QTemporaryDir m_dir;
    SimulatorDriver m_driver;
};

void TestAutoCrop::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));
    for (const char* name :
        { "KORVANE_SIM_MODEL", "KORVANE_SIM_IMAGE", "KORVANE_SIM_FAIL_SCAN", "KORVANE_SIM_BLOCK_DELAY_MS" })
        qunsetenv(name);
    QVERIFY2(m_driver.load(), qPrintable(m_driver.errorString()));
    QCOMPARE(m_driver.link(), 1);
}

void TestAutoCrop::slideModeCrop()
{
    RawImageFixture image(1000, 800, 8);
    image.fill(120, 80, 60);
    CIP_ImageProcess process;
    process.slideMode = 1;
    std::vector<CIP_Rect> crops;
    QCOMPARE(process.autoCrop(image.view, 0, CIP_ImageProcess::kPositive, 0, &crops), 0);
    QCOMPARE(crops.size(), std::size_t(1));
    QVERIFY((crops[0] == CIP_Rect { 50, 40, 950, 760 }));
    QVERIFY((process.rect == CIP_Rect { 50, 40, 950, 760 }));
}

void TestAutoCrop::fullPicture()
{
    // Mid-grey everywhere: every row and column is picture. Top = first row + 1 + deflate
    // (1 % of the width).
    RawImageFixture image(400, 300, 16);
    image.fill(30000, 28000, 26000);
    CIP_ImageProcess process;
    std::vector<CIP_Rect> crops;
    QCOMPARE(process.autoCrop(image.view, 0, CIP_ImageProcess::kPositive, 0, &crops), 0);
    const CIP_Rect r = crops.at(0);
    QCOMPARE(r.top, 0 + 1 + 4);
    QCOMPARE(r.left, 4 + 4); // at least the border run (1 % of the width), plus the deflate
    QCOMPARE(r.bottom, 300 - 4);
    QCOMPARE(r.right, 400 - 4);
}

void TestAutoCrop::uniformImage_data()
{
    QTest::addColumn<int>("value");
    QTest::newRow("black") << 0;
    QTest::newRow("white") << 255;
}

void TestAutoCrop::uniformImage()
{
    QFETCH(int, value);
    RawImageFixture image(300, 200, 8);
    image.fill(value, value, value);
    const auto before = image.bytes;
    CIP_ImageProcess process;
    std::vector<CIP_Rect> crops;
    // No picture row: result 0 with the centred minimum rectangle, empty by default...
    QCOMPARE(process.autoCrop(image.view, 0, CIP_ImageProcess::kPositive, 0, &crops), 0);
    QVERIFY(crops.at(0).isEmpty());
    QVERIFY(process.rect.right != 0 || process.rect.bottom != 0 || process.rect.left != 0);
    // ...which the analyses then refuse without touching the image.
    QCOMPARE(process.autoColor(image.view, CIP_ImageProcess::kPositive), CIP_ImageProcess::kNoPixels);
    QCOMPARE(process.gammaCurve(image.view, CIP_ImageProcess::kPositive, false), CIP_ImageProcess::kNoPixels);
    QCOMPARE(process.rgbBalance(image.view, CIP_ImageProcess::kPositive, true), CIP_ImageProcess::kNoPixels);
    QVERIFY(image.bytes == before);
}

void TestAutoCrop::minimumNotSmallerThanImage()
{
    QDir().mkpath(QStringLiteral("data/TQ3300"));
    QFile ini(QStringLiteral("data/TQ3300/AUTOCROP_V2.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[AUTOCROP_POS\nIDC_MIN_LEFT=0\nIDC_MIN_RIGHT=500\nIDC_MIN_TOP=0\nIDC_MIN_BOTTOM=50\n");
    ini.close();
    RawImageFixture image(400, 300, 8);
    image.fill(100, 100, 100);
    CIP_ImageProcess process;
    std::vector<CIP_Rect> crops;
    QCOMPARE(process.autoCrop(image.view, 0, CIP_ImageProcess::kPositive, 0, &crops),
        CIP_ImageProcess::kCropMinimumTooLarge);
    // The fallback rectangle reaches the analyses.
    QVERIFY((crops.at(0) == CIP_Rect { 0, 0, 160, 120 }));
    QVERIFY(QFile::remove(QStringLiteral("data/TQ3300/AUTOCROP_V2.INI")));
}

void TestAutoCrop::fewChannels()
{
    RawImageFixture image(100, 100, 8);
    image.view.channels = 1;
    CIP_ImageProcess process;
    QCOMPARE(
        process.autoCrop(image.view, 0, CIP_ImageProcess::kPositive, 0), CIP_ImageProcess::kCropFewChannels);
    QVERIFY((process.rect == CIP_Rect { 0, 0, 40, 40 }));
}

void TestAutoCrop::syntheticHolder()
{
    // Black holder, picture of varied grey from (60, 40) to (340, 250).
    RawImageFixture image(400, 300, 8);
    image.fill(3, 3, 3);
    for (int y = 40; y < 250; ++y)
        for (int x = 60; x < 340; ++x)
            image.set(x, y, 80 + (x % 50), 100 + (y % 40), 90);
    CIP_ImageProcess process;
    QCOMPARE(process.autoCrop(image.view, 0, CIP_ImageProcess::kPositive, 0), 0);
    const CIP_Rect r = process.rect;
    QVERIFY2(std::abs(r.left - 60) <= 8 && std::abs(r.right - 340) <= 8 && std::abs(r.top - 40) <= 6
            && std::abs(r.bottom - 250) <= 6,
        qPrintable(QStringLiteral("%1 %2 %3 %4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom)));
}

void TestAutoCrop::simulatorHolder_data()
{
    QTest::addColumn<int>("media");
    QTest::addColumn<int>("filmCode");
    QTest::addColumn<bool>("shipped");
    QTest::newRow("positive") << 16 << int(CIP_ImageProcess::kPositive) << false;
    QTest::newRow("colour negative") << 32 << int(CIP_ImageProcess::kColourNegative) << false;
    QTest::newRow("positive, shipped parameters") << 16 << int(CIP_ImageProcess::kPositive) << true;
    // As the prescan scans negatives: the film base measured first and brought to about 85 %.
    QTest::newRow("colour negative, shipped parameters")
        << 32 << int(CIP_ImageProcess::kColourNegative) << true;
    QTest::newRow("b/w negative, shipped parameters")
        << 48 << int(CIP_ImageProcess::kBlackWhiteNegative) << true;
}

void TestAutoCrop::simulatorHolder()
{
    QFETCH(int, media);
    QFETCH(int, filmCode);
    QFETCH(bool, shipped);
    device::ScanOptionRecord record = scanRecord(std::uint8_t(media));
    if (shipped && media != 16) {
        device::ScanOptionRecord base = record;
        base.dwOptionType = device::kOptionFilmBase;
        QCOMPARE(runScan(m_driver, base).result, 1);
        device::BalanceRecord balance {};
        QCOMPARE(m_driver.call(device::CmdReadBalance, &balance), 1);
        device::ScanInfo& info = record.ScanInfoArray[0];
        info.wColorBalanceR = balance.red;
        info.wColorBalanceG = balance.green;
        info.wColorBalanceB = balance.blue;
    }
    const ScanResult scan = runScan(m_driver, record);
    QCOMPARE(scan.result, 1);
    QVERIFY(scan.width > 400 && scan.height > 250);

    // A negative's unexposed base is the brightest part of the film (about 70 % here): the
    // negative section takes pixels above 50 % as the bright border and allows 15 % below
    // its level; only the holder (near 0 %) is dark border, since a thin negative is dark
    // everywhere. The positive section keeps every default.
    QDir().mkpath(QStringLiteral("data/TQ3300"));
    QFile ini(QStringLiteral("data/TQ3300/AUTOCROP_V2.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[AUTOCROP_NEG\nIDC_BORDER_REF_PERCENT_BRIGHT=50\nIDC_BORDER_TOL_BRIGHT=15\nIDC_BORDER_REF_"
              "PERCENT_DARK=3\n");
    ini.close();

    RawImageFixture image(scan.width, scan.height, 16);
    std::memcpy(image.bytes.data(), scan.pixels.data(), image.bytes.size());
    CIP_ImageProcess process;
    process.modelIndex = 9; // the simulator's model code 82
    // The program runs with its own folder current, where the shipped files lie.
    if (shipped)
        QVERIFY(QDir::setCurrent(QCoreApplication::applicationDirPath()));
    const int result = process.autoCrop(image.view, 0, filmCode, 0);
    QVERIFY(QDir::setCurrent(m_dir.path()));
    QVERIFY(QFile::remove(QStringLiteral("data/TQ3300/AUTOCROP_V2.INI")));
    QCOMPARE(result, 0);
    const CIP_Rect r = process.rect;
    const double left = kPictureLeft * kDpi, right = kPictureRight * kDpi;
    const double top = kPictureTop * kDpi, bottom = kPictureBottom * kDpi;
    const double dx = 0.02 * scan.width, dy = 0.02 * scan.height;
    const QString found = QStringLiteral("found %1 %2 %3 %4, true %5 %6 %7 %8")
                              .arg(r.left)
                              .arg(r.top)
                              .arg(r.right)
                              .arg(r.bottom)
                              .arg(left)
                              .arg(top)
                              .arg(right)
                              .arg(bottom);
    QVERIFY2(std::fabs(r.left - left) <= dx && std::fabs(r.right - right) <= dx, qPrintable(found));
    QVERIFY2(std::fabs(r.top - top) <= dy && std::fabs(r.bottom - bottom) <= dy, qPrintable(found));
}

void TestAutoCrop::parametersReadOnEveryRun()
{
    RawImageFixture image(400, 300, 8);
    image.fill(100, 100, 100);
    CIP_ImageProcess process;
    QCOMPARE(process.autoCrop(image.view, 0, CIP_ImageProcess::kPositive, 0), 0);
    QCOMPARE(process.rect.top, 5);
    QDir().mkpath(QStringLiteral("data/TQ2200"));
    QDir().mkpath(QStringLiteral("data/TQ3300"));
    QFile ini(QStringLiteral("data/TQ3300/AUTOCROP_V2.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[AUTOCROP_POS\nIDC_CROP_TOP=10\n");
    ini.close();
    QCOMPARE(process.autoCrop(image.view, 0, CIP_ImageProcess::kPositive, 0), 0);
    QCOMPARE(process.rect.top, 30 + 1 + 4);
    QVERIFY(QFile::remove(QStringLiteral("data/TQ3300/AUTOCROP_V2.INI")));
}

namespace
{

// Reads the positive-film section written to the default auto-crop file and searches a
// black holder around a textured picture.
int searchWith(const QByteArray& keys, CIP_Rect& crop)
{
    QDir().mkpath(QStringLiteral("data/TQ3300"));
    QFile ini(QStringLiteral("data/TQ3300/AUTOCROP_V2.INI"));
    if (!ini.open(QIODevice::WriteOnly))
        return -1;
    ini.write("[AUTOCROP_POS\n" + keys);
    ini.close();
    CIP_AutoCropParams params;
    params.read(0, 0, CIP_ImageProcess::kPositive);
    QFile::remove(QStringLiteral("data/TQ3300/AUTOCROP_V2.INI"));

    RawImageFixture image(200, 150, 8);
    image.fill(3, 3, 3);
    for (int y = 20; y < 125; ++y)
        for (int x = 30; x < 170; ++x)
            image.set(x, y, 80 + (x % 50), 100 + (y % 40), 90);
    return CIP_AutoCrop::search(image.view, params, crop);
}

} // namespace

void TestAutoCrop::valuesOutOfRangeActAsTheNearestEnd_data()
{
    // The file is editable: a value outside 0-100 percent (or no number at all) must search
    // as the nearest end of the range does, never overflow or index outside the image.
    QTest::addColumn<QByteArray>("hostile");
    QTest::addColumn<QByteArray>("sane");
    QTest::newRow("negative crop left")
        << QByteArray("IDC_CROP_LEFT=-50\n") << QByteArray("IDC_CROP_LEFT=0\n");
    QTest::newRow("huge crop left") << QByteArray("IDC_CROP_LEFT=1e30\n")
                                    << QByteArray("IDC_CROP_LEFT=100\n");
    QTest::newRow("negative crop top")
        << QByteArray("IDC_CROP_TOP=-1e30\n") << QByteArray("IDC_CROP_TOP=0\n");
    QTest::newRow("huge crop right") << QByteArray("IDC_CROP_RIGHT=3e9\n")
                                     << QByteArray("IDC_CROP_RIGHT=100\n");
    QTest::newRow("crop bottom beyond float")
        << QByteArray("IDC_CROP_BOTTOM=1e300\n") << QByteArray("IDC_CROP_BOTTOM=100\n");
    QTest::newRow("border area far outside") << QByteArray("IDC_BORDER_LEFT=-1e20\nIDC_BORDER_RIGHT=1e20\n")
                                             << QByteArray("IDC_BORDER_LEFT=0\nIDC_BORDER_RIGHT=100\n");
    QTest::newRow("sprocket depth huge")
        << QByteArray("IDC_FILMHOLE_TYPE=2\nIDC_SKIP_FILMHOLE_PERCENT=1e25\n")
        << QByteArray("IDC_FILMHOLE_TYPE=2\nIDC_SKIP_FILMHOLE_PERCENT=100\n");
    QTest::newRow("deflate huge and negative") << QByteArray("IDC_DEFLATE_TOP=5e9\nIDC_DEFLATE_LEFT=-5e9\n")
                                               << QByteArray("IDC_DEFLATE_TOP=100\nIDC_DEFLATE_LEFT=0\n");
    QTest::newRow("deflate bottom and right huge")
        << QByteArray("IDC_DEFLATE_BOTTOM=5e9\nIDC_DEFLATE_RIGHT=5e9\n")
        << QByteArray("IDC_DEFLATE_BOTTOM=100\nIDC_DEFLATE_RIGHT=100\n");
    QTest::newRow("minimum runs huge")
        << QByteArray("IDF_MIN_PERCENT_IMG=1e12\nIDF_MIN_PERCENT_BORDER=-1e12\n")
        << QByteArray("IDF_MIN_PERCENT_IMG=100\nIDF_MIN_PERCENT_BORDER=0\n");
    QTest::newRow("not a number") << QByteArray("IDF_MIN_PERCENT_IMG=nan\nIDF_REF_IMG_PERCENT_WIDTH=nan\n")
                                  << QByteArray("IDF_MIN_PERCENT_IMG=0\nIDF_REF_IMG_PERCENT_WIDTH=0\n");
    QTest::newRow("strips huge") << QByteArray(
        "IDF_REF_IMG_PERCENT_WIDTH=1e30\nIDF_REF_IMG_PERCENT_HEIGHT=1e30\n")
                                 << QByteArray(
                                        "IDF_REF_IMG_PERCENT_WIDTH=100\nIDF_REF_IMG_PERCENT_HEIGHT=100\n");
}

void TestAutoCrop::valuesOutOfRangeActAsTheNearestEnd()
{
    QFETCH(QByteArray, hostile);
    QFETCH(QByteArray, sane);
    CIP_Rect expected;
    const int expectedResult = searchWith(sane, expected);
    QVERIFY(expectedResult >= 0);
    CIP_Rect crop;
    QCOMPARE(searchWith(hostile, crop), expectedResult);
    QVERIFY2(crop == expected,
        qPrintable(
            QStringLiteral("%1 %2 %3 %4").arg(crop.left).arg(crop.top).arg(crop.right).arg(crop.bottom)));
    QVERIFY(crop.left >= 0 && crop.top >= 0 && crop.right <= 200 && crop.bottom <= 150);
}

void TestAutoCrop::minimumEdgesFarApartAskTooMuch()
{
    // Edges whose difference overflows int: a minimum larger than any image, not a
    // wrapped-around negative one that lets the search run.
    CIP_Rect crop;
    QCOMPARE(searchWith("IDC_MIN_LEFT=-2147483648\nIDC_MIN_RIGHT=2147483647\n", crop), 3);
    QCOMPARE(searchWith("IDC_MIN_TOP=-99999999999\nIDC_MIN_BOTTOM=99999999999\n", crop), 3);
    QCOMPARE(searchWith("IDC_MIN_LEFT=10\nIDC_MIN_RIGHT=60\n", crop), 0);
    QVERIFY(crop.right - crop.left >= 50);
}

QTEST_GUILESS_MAIN(TestAutoCrop)
#include "test_autocrop.moc"
