// The prescan of the simulated scanner for every built-in profile, processed as the
// main form does, and the option records it sends.

#include <cip_filmterms.h>
#include <manager.h>
#include <processingsteps.h>
#include <profileprocessingoptions.h>
#include <scannersdk.h>
#include <servicemodes.h>
#include <stimage.h>
#include <userfolders.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "managerlink.h"

#include <array>

namespace
{

constexpr int kWaitMs = 20000;

struct ChannelStats {
    double clippedLow = 0; // share of samples at 0
    double clippedHigh = 0; // share at full scale
    double mean = 0; // share of full scale
};

// The picture of the simulated film frame, in inches, a little inside its edges: the
// holder's mask and the film's unexposed border around it are meant to end up black
// or white in a good preview, so they are left out of its statistics.
constexpr double kPictureLeft = 0.115 + 0.03;
constexpr double kPictureTop = 0.070 + 0.03;
constexpr double kPictureRight = 1.322 - 0.03;
constexpr double kPictureBottom = 0.765 - 0.03;

std::array<ChannelStats, 3> pictureStatistics(const STImage& image)
{
    std::array<ChannelStats, 3> stats {};
    const double full = image.bitsPerSample() == 8 ? 255.0 : 65535.0;
    const auto dots = [](double inches) { return std::uint32_t(inches * 300); };
    double pixels = 0;
    for (std::uint32_t y = dots(kPictureTop); y < dots(kPictureBottom); ++y) {
        for (std::uint32_t x = dots(kPictureLeft); x < dots(kPictureRight); ++x) {
            ++pixels;
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t v = image.sample(x, y, c);
                stats[std::size_t(c)].clippedLow += v == 0 ? 1 : 0;
                stats[std::size_t(c)].clippedHigh += v >= full ? 1 : 0;
                stats[std::size_t(c)].mean += v / full;
            }
        }
    }
    for (ChannelStats& s : stats) {
        s.clippedLow /= pixels;
        s.clippedHigh /= pixels;
        s.mean /= pixels;
    }
    return stats;
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestPrescan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void builtInProfiles_data();
    void builtInProfiles();
    void multipassBalance_data();
    void multipassBalance();
    void filmBaseOnlyForNegatives_data();
    void filmBaseOnlyForNegatives();

private:
    STImage prescan(const ScanProfile& profile);

    QTemporaryDir m_state;
    std::unique_ptr<WorkerSignals> m_results;
};

void TestPrescan::initTestCase()
{
    QVERIFY(m_state.isValid());
    qputenv("KORVANE_SIM_STATE_DIR", m_state.path().toUtf8());
    qputenv("KORVANE_SIM_MODEL", "82");
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    m_results = linkManagerToSimulator(kWaitMs);
    QVERIFY(m_results);
}

void TestPrescan::cleanup()
{
    ServiceModes::instance().setEngineerMode(false);
    ServiceModes::instance().setRawMode(false);
}

STImage TestPrescan::prescan(const ScanProfile& profile)
{
    ScannerSDK* sdk = manager::instance()->scanner();
    QSignalSpy arrived(m_results.get(), &WorkerSignals::preScan);
    sdk->settings = profile;
    if (!sdk->requestPrescan() || !arrived.wait(kWaitMs))
        return STImage();
    return arrived.at(0).at(0).value<STImage>();
}

void TestPrescan::builtInProfiles_data()
{
    QTest::addColumn<int>("slot");
    for (int slot = 0; slot < manager::kSlotCount; ++slot)
        QTest::addRow("slot %d", slot) << slot;
}

// Every built-in profile gives a 16-bit image of the whole window, and its processed
// preview is neither clipped nor blank where the picture is.
void TestPrescan::builtInProfiles()
{
    QFETCH(int, slot);
    manager* data = manager::instance();
    const ScanProfile profile = data->profile(slot);
    STImage image = prescan(profile);
    QCOMPARE(image.bitsPerSample(), 16u);
    QCOMPARE(image.channels(), 3);
    // 1.437 x 0.957 inches at 300 dpi.
    QVERIFY2(image.width() >= 430 && image.width() <= 432, qPrintable(QString::number(image.width())));
    QVERIFY2(image.height() >= 286 && image.height() <= 288, qPrintable(QString::number(image.height())));

    data->processing()->runPrescan(image, profileProcessingOptions(profile, 82));
    const auto stats = pictureStatistics(image);
    for (int c = 0; c < 3; ++c) {
        const ChannelStats& s = stats[std::size_t(c)];
        const QByteArray where = QByteArray("channel ") + QByteArray::number(c) + " low "
            + QByteArray::number(s.clippedLow) + " high " + QByteArray::number(s.clippedHigh) + " mean "
            + QByteArray::number(s.mean);
        QVERIFY2(s.clippedLow < 0.05, where.constData());
        QVERIFY2(s.clippedHigh < 0.05, where.constData());
        QVERIFY2(s.mean > 0.15 && s.mean < 0.85, where.constData());
    }
}

void TestPrescan::multipassBalance_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("lines");
    // Slot 1 is a slide profile of common things: the balance 137, 139, 133 of model 82.
    QTest::newRow("slide on model 82")
        << 1
        << QStringList { "pOptionScan.ScanInfoArray[0].wColorBalanceR = 137",
               "pOptionScan.ScanInfoArray[0].wHighColorBalanceR = 411",
               "pOptionScan.ScanInfoArray[0].wHighColorBalanceG = 417",
               "pOptionScan.ScanInfoArray[0].wHighColorBalanceB = 399",
               "pOptionScan.ScanInfoArray[0].wLowColorBalanceR = 109",
               "pOptionScan.ScanInfoArray[0].wLowColorBalanceG = 111",
               "pOptionScan.ScanInfoArray[0].wLowColorBalanceB = 106", "pOptionScan.dwOptionType = 4",
               "pOptionScan.ScanInfoArray[0].wGainFactorR = 100" };
}

// The multipass balance reaches the prescan record (read back from its RAW-mode dump).
void TestPrescan::multipassBalance()
{
    QFETCH(int, slot);
    QFETCH(QStringList, lines);
    ScanProfile profile = manager::instance()->profile(slot);
    SlideSettings slide = profile.slideSettings();
    slide.multipass.enable = true;
    profile.setSlideSettings(slide);
    ServiceModes::instance().setRawMode(true);
    const QString dump = UserFolders::rawImageFolder() + QStringLiteral("/preScan_option.txt");
    QFile::remove(dump);
    QVERIFY(!prescan(profile).isNull());
    const QString text = readFile(dump);
    for (const QString& line : lines)
        QVERIFY2(text.contains(line + QLatin1Char('\n')), qPrintable(line));
    QVERIFY(QFile::exists(UserFolders::rawImageFolder() + QStringLiteral("/preScan_432_287.tif")));
    QVERIFY(QFile::exists(UserFolders::rawImageFolder() + QStringLiteral("/preScan.kor")));
}

void TestPrescan::filmBaseOnlyForNegatives_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("filmBase");
    QTest::newRow("tissue sections") << 0 << false;
    QTest::newRow("positive film") << 3 << false;
    QTest::newRow("negative film") << 4 << true;
}

// Only negatives measure their film base first (engineer mode dumps its record).
void TestPrescan::filmBaseOnlyForNegatives()
{
    QFETCH(int, slot);
    QFETCH(bool, filmBase);
    ServiceModes::instance().setEngineerMode(true);
    const QString folder = UserFolders::debugFolder();
    QFile::remove(folder + QStringLiteral("/PreviewDminCommand_option.txt"));
    QFile::remove(folder + QStringLiteral("/preScan_option.txt"));
    QVERIFY(!prescan(manager::instance()->profile(slot)).isNull());
    QCOMPARE(QFile::exists(folder + QStringLiteral("/PreviewDminCommand_option.txt")), filmBase);
    const QString text = readFile(folder + QStringLiteral("/preScan_option.txt"));
    QVERIFY(text.contains(QStringLiteral("pOptionScan.ScanInfoArray[0].bControlHWLightness = 1\n")));
    QVERIFY(QFile::exists(folder + QStringLiteral("/preScan.tif")));
    QVERIFY(QFile::exists(folder + QStringLiteral("/preScan.kor")));
}

QTEST_GUILESS_MAIN(TestPrescan)
#include "test_prescan.moc"
