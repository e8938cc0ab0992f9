// Scans of the simulated scanner through its C entry point: sizes, blocks, stop,
// film types, exposure fields and refused records.

#include "simulatordriver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <tiffio.h>

namespace
{

// Places in the built-in scene, inches from the window's top left corner.
struct Place {
    double x;
    double y;
};
constexpr Place kHolder { 0.018, 0.5 };
constexpr Place kBorder { 0.077, 0.4 }; // the film's unexposed border left of the picture
constexpr Place kHole { 0.114, 0.847 }; // the first sprocket hole
constexpr Place kSun { 1.056, 0.195 };
constexpr Place kMeadow { 0.236, 0.730 };
constexpr Place kPictureMiddle { 0.72, 0.42 };

constexpr std::uint8_t kPositive = 16;
constexpr std::uint8_t kColourNegative = 32;
constexpr std::uint8_t kMonoNegative = 48;

double level(const ScanResult& scan, Place place, int c, int dpi = 300)
{
    return scan.mean(place.x, place.y, dpi, c);
}

} // namespace

class SimulatorScanTest : public QObject
{
    Q_OBJECT

private:
    SimulatorDriver m_driver;

    ScanResult scan(const device::ScanOptionRecord& record, int stopAtCall = 0)
    {
        return runScan(m_driver, record, stopAtCall);
    }

private slots:
    void initTestCase()
    {
        for (const char* name : { "KORVANE_SIM_MODEL", "KORVANE_SIM_IMAGE", "KORVANE_SIM_FAIL_SCAN",
                 "KORVANE_SIM_BLOCK_DELAY_MS", "KORVANE_SIM_UNPLUG_AFTER_BLOCKS" })
            qunsetenv(name);
        QVERIFY2(m_driver.load(), qPrintable(m_driver.errorString()));
        QCOMPARE(m_driver.link(), 1);
    }

    void cleanup()
    {
        for (const char* name : { "KORVANE_SIM_IMAGE", "KORVANE_SIM_FAIL_SCAN", "KORVANE_SIM_BLOCK_DELAY_MS",
                 "KORVANE_SIM_HOLDER", "KORVANE_SIM_UNPLUG_AFTER_BLOCKS" })
            qunsetenv(name);
        QCOMPARE(m_driver.link(), 1);
    }

    void deliversAnnouncedPixels_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("bottom");
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("prescan") << 300 << 0.0 << 0.0 << 1.437 << 0.957 << 255 << 431 << 287;
        QTest::newRow("area at 1000 dpi") << 1000 << 0.5 << 0.25 << 1.0 << 0.75 << 255 << 500 << 500;
        QTest::newRow("small blocks") << 1200 << 0.1 << 0.2 << 0.3 << 0.3 << 7 << 240 << 120;
        QTest::newRow("one line blocks") << 300 << 0.0 << 0.0 << 1.437 << 0.1 << 1 << 431 << 30;
        QTest::newRow("fine, corner") << 5000 << 1.337 << 0.857 << 1.437 << 0.957 << 255 << 500 << 500;
        QTest::newRow("one pixel") << 100 << 0.5 << 0.5 << 0.51 << 0.51 << 255 << 1 << 1;
        QTest::newRow("coarse") << 37 << 0.0 << 0.0 << 1.437 << 0.957 << 255 << 53 << 35;
    }

    void deliversAnnouncedPixels()
    {
        QFETCH(int, dpi);
        QFETCH(double, left);
        QFETCH(double, top);
        QFETCH(double, right);
        QFETCH(double, bottom);
        QFETCH(int, maxLines);
        QFETCH(int, width);
        QFETCH(int, height);
        device::ScanOptionRecord record = scanRecord(kPositive, dpi, left, top, right, bottom);
        record.ScanInfoArray[0].nMaxScanLine = maxLines;
        const ScanResult result = scan(record);
        QCOMPARE(result.result, 1);
        QCOMPARE(result.width, width);
        QCOMPARE(result.height, height);
        QCOMPARE(result.pixelFormat, int(device::PixelRgb16));
        QVERIFY(!result.inconsistent);
        QCOMPARE(result.linesReceived, height);
        QVERIFY(result.largestBlock <= maxLines);
        QCOMPARE(result.calls, (height + maxLines - 1) / maxLines + 1);
        QVERIFY(result.endCall);
        QVERIFY(!result.callAfterEnd);
        QCOMPARE(result.pixels.size(), std::size_t(width) * height * 3);
    }

    void sceneHasHolderBorderAndHoles()
    {
        const ScanResult positive = scan(scanRecord(kPositive));
        QCOMPARE(positive.result, 1);
        for (int c = 0; c < 3; ++c) {
            QVERIFY(level(positive, kHolder, c) < 400);
            QVERIFY(level(positive, kBorder, c) < 1000); // a slide's unexposed film is black
            QVERIFY(level(positive, kHole, c) > 50000); // nothing in the way
            QVERIFY(level(positive, kSun, c) > 40000);
            QVERIFY(level(positive, kMeadow, c) < level(positive, kSun, c) / 4);
        }
        // Between the holes the film's border comes back.
        QVERIFY(positive.mean(0.114 + 0.187 / 2, 0.847, 300, 1) < 1000);
        // The picture is not flat: neighbouring pixels differ (grain, noise).
        int differences = 0;
        for (int x = 200; x < 260; ++x)
            differences += positive.at(x, 120, 1) != positive.at(x + 1, 120, 1);
        QVERIFY(differences > 30);
    }

    // The slide holder: clear glass, a frosted label end, and a pink-and-blue stained
    // section under the cover slip, with detail down to single pixels.
    void slideHolderSetting()
    {
        qputenv("KORVANE_SIM_HOLDER", "slide");
        QCOMPARE(m_driver.link(), 1);
        const ScanResult slide = scan(scanRecord(kPositive));
        QCOMPARE(slide.result, 1);
        constexpr Place kGlass { 0.34, 0.5 };
        constexpr Place kLabel { 0.05, 0.15 };
        constexpr Place kSection { 0.85, 0.48 };
        for (int c = 0; c < 3; ++c) {
            QVERIFY(level(slide, kHolder, c) < 400);
            QVERIFY(level(slide, kGlass, c) > 20000);
            QVERIFY(level(slide, kLabel, c) < level(slide, kGlass, c) / 2);
        }
        // Both stains take green most, so the section is darker there than in red.
        QVERIFY(level(slide, kSection, 1) < level(slide, kGlass, 1) * 0.7);
        QVERIFY(level(slide, kSection, 1) < level(slide, kSection, 0) * 0.8);
        // No sprocket holes on a slide.
        QVERIFY(level(slide, kHole, 1) < level(slide, kGlass, 1));
        int differences = 0;
        for (int x = 230; x < 290; ++x)
            differences += std::abs(int(slide.at(x, 144, 1)) - int(slide.at(x + 1, 144, 1))) > 1500;
        QVERIFY2(differences > 10, qPrintable(QString::number(differences)));

        // Any other value keeps the film.
        qputenv("KORVANE_SIM_HOLDER", "tray");
        QCOMPARE(m_driver.link(), 1);
        const ScanResult film = scan(scanRecord(kPositive));
        QVERIFY(level(film, kHole, 1) > 50000);
    }

    void repeatedScansAgree()
    {
        const ScanResult first = scan(scanRecord(kPositive, 600, 0.2, 0.2, 0.6, 0.5));
        const ScanResult second = scan(scanRecord(kPositive, 600, 0.2, 0.2, 0.6, 0.5));
        QCOMPARE(first.result, 1);
        QVERIFY(first.pixels == second.pixels);
    }

    void negativeIsInvertedWithItsBase_data()
    {
        QTest::addColumn<int>("media");
        QTest::newRow("colour negative") << int(kColourNegative);
        QTest::newRow("black-and-white negative") << int(kMonoNegative);
    }

    void negativeIsInvertedWithItsBase()
    {
        QFETCH(int, media);
        const ScanResult negative = scan(scanRecord(std::uint8_t(media)));
        QCOMPARE(negative.result, 1);
        for (int c = 0; c < 3; ++c) {
            // Bright parts of the scene are dense on the negative, dark ones thin.
            QVERIFY(level(negative, kSun, c) < level(negative, kMeadow, c) / 2);
            // The base is the thinnest part of the film.
            QVERIFY(level(negative, kBorder, c) > level(negative, kMeadow, c));
            QVERIFY(level(negative, kHolder, c) < 400);
        }
        const double red = level(negative, kBorder, 0);
        const double green = level(negative, kBorder, 1);
        const double blue = level(negative, kBorder, 2);
        if (media == kColourNegative) {
            QVERIFY(red > 1.4 * green); // orange
            QVERIFY(green > 1.4 * blue);
        } else {
            QVERIFY(std::abs(red - green) < 0.03 * green); // grey
            QVERIFY(std::abs(blue - green) < 0.03 * green);
        }
    }

    void filmBaseBalance_data()
    {
        QTest::addColumn<QByteArray>("model");
        QTest::addColumn<int>("presetRed");
        QTest::addColumn<int>("presetGreen");
        QTest::addColumn<int>("presetBlue");
        QTest::newRow("82") << QByteArray("82") << 137 << 139 << 133;
        QTest::newRow("84") << QByteArray("84") << 136 << 143 << 135;
    }

    void filmBaseBalance()
    {
        QFETCH(QByteArray, model);
        QFETCH(int, presetRed);
        QFETCH(int, presetGreen);
        QFETCH(int, presetBlue);
        qputenv("KORVANE_SIM_MODEL", model);
        QCOMPARE(m_driver.link(), 1);
        device::BalanceRecord balance { 1, 2, 3 };
        QCOMPARE(m_driver.call(device::CmdReadBalance, &balance), 1);
        QCOMPARE(int(balance.red), presetRed);
        QCOMPARE(int(balance.green), presetGreen);
        QCOMPARE(int(balance.blue), presetBlue);

        device::ScanOptionRecord base = scanRecord(kColourNegative);
        base.dwOptionType = device::kOptionFilmBase;
        base.ScanInfoArray[0].wGainFactorR = base.ScanInfoArray[0].wGainFactorG
            = base.ScanInfoArray[0].wGainFactorB = 0;
        QCOMPARE(scan(base).result, 1);
        QCOMPARE(m_driver.call(device::CmdReadBalance, &balance), 1);
        // The orange mask lets least blue through, so blue needs the most exposure.
        QVERIFY(balance.blue > balance.green);
        QVERIFY(balance.green > balance.red);
        QVERIFY(balance.red >= presetRed);

        // Scanned with that balance the base comes out nearly neutral and bright.
        device::ScanOptionRecord prescan = scanRecord(kColourNegative);
        prescan.ScanInfoArray[0].wColorBalanceR = balance.red;
        prescan.ScanInfoArray[0].wColorBalanceG = balance.green;
        prescan.ScanInfoArray[0].wColorBalanceB = balance.blue;
        const ScanResult result = scan(prescan);
        QCOMPARE(result.result, 1);
        const double green = level(result, kBorder, 1);
        QVERIFY(green > 45000 && green < 62000);
        QVERIFY(std::abs(level(result, kBorder, 0) - green) < 0.05 * green);
        QVERIFY(std::abs(level(result, kBorder, 2) - green) < 0.05 * green);

        // A new link forgets the measurement.
        qunsetenv("KORVANE_SIM_MODEL");
        QCOMPARE(m_driver.link(), 1);
        QCOMPARE(m_driver.call(device::CmdReadBalance, &balance), 1);
        QCOMPARE(int(balance.red), 137);
    }

    void exposureFields_data()
    {
        QTest::addColumn<int>("field"); // 0 balance, 1 gain, 2 multipass highlight, 3 multipass shadow
        QTest::newRow("colour balance") << 0;
        QTest::newRow("gain factor") << 1;
        QTest::newRow("multipass highlight") << 2;
        QTest::newRow("multipass shadow") << 3;
    }

    void exposureFields()
    {
        QFETCH(int, field);
        auto record = [field](int percent) {
            device::ScanOptionRecord r = scanRecord(kPositive);
            device::ScanInfo& info = r.ScanInfoArray[0];
            if (field >= 2) {
                r.dwOptionType = device::kOptionMultipass;
                info.wHighColorBalanceR = 411;
                info.wHighColorBalanceG = 417;
                info.wHighColorBalanceB = 399;
                info.wLowColorBalanceR = 109;
                info.wLowColorBalanceG = 111;
                info.wLowColorBalanceB = 106;
            }
            // Only the red channel is changed.
            switch (field) {
            case 0:
                info.wColorBalanceR = std::uint16_t(info.wColorBalanceR * percent / 100);
                break;
            case 1:
                info.wGainFactorR = std::uint16_t(percent);
                break;
            case 2:
                info.wHighColorBalanceR = std::uint16_t(info.wHighColorBalanceR * percent / 100);
                break;
            case 3:
                info.wLowColorBalanceR = std::uint16_t(info.wLowColorBalanceR * percent / 100);
                break;
            }
            return r;
        };
        const ScanResult normal = scan(record(100));
        const ScanResult more = scan(record(150));
        const ScanResult huge = scan(record(6000));
        QCOMPARE(normal.result, 1);
        QCOMPARE(more.result, 1);
        QCOMPARE(huge.result, 1);
        // Dense parts, which nothing clips: red brighter, green untouched.
        QVERIFY(level(more, kMeadow, 0) > 1.05 * level(normal, kMeadow, 0));
        QVERIFY(std::abs(level(more, kMeadow, 1) - level(normal, kMeadow, 1)) < 1.0);
        // Far too much light clips at full scale instead of wrapping round (the
        // highlight pass of a multipass scan is already clipped in the holes).
        QVERIFY(level(huge, kHole, 0) >= level(normal, kHole, 0));
        QVERIFY(level(huge, kMeadow, 0) > 2 * level(normal, kMeadow, 0));
        QVERIFY(level(huge, kHole, 0) <= 65535);
        if (field <= 1)
            QCOMPARE(huge.at(int(kHole.x * 300), int(kHole.y * 300), 0), 65535);
        for (std::size_t i = 0; i < huge.pixels.size(); i += 3)
            QVERIFY(huge.pixels[i] >= normal.pixels[i] / 2);
    }

    void multipassLiftsShadows()
    {
        device::ScanOptionRecord multipass = scanRecord(kPositive);
        multipass.dwOptionType = device::kOptionMultipass;
        device::ScanInfo& info = multipass.ScanInfoArray[0];
        info.wHighColorBalanceR = 411;
        info.wHighColorBalanceG = 417;
        info.wHighColorBalanceB = 399;
        info.wLowColorBalanceR = 109;
        info.wLowColorBalanceG = 111;
        info.wLowColorBalanceB = 106;
        const ScanResult normal = scan(scanRecord(kPositive));
        const ScanResult lifted = scan(multipass);
        QCOMPARE(lifted.result, 1);
        for (int c = 0; c < 3; ++c)
            QVERIFY(level(lifted, kMeadow, c) > 1.3 * level(normal, kMeadow, c));
        // Multipass with the 100s that a record without it carries changes nothing dark.
        device::ScanOptionRecord plain = scanRecord(kPositive);
        plain.dwOptionType = device::kOptionMultipass;
        QCOMPARE(scan(plain).result, 1);
    }

    void stopFlagEndsScan_data()
    {
        QTest::addColumn<int>("stopAtCall");
        QTest::newRow("first block") << 1;
        QTest::newRow("second block") << 2;
    }

    void stopFlagEndsScan()
    {
        QFETCH(int, stopAtCall);
        device::ScanOptionRecord record = scanRecord(kPositive);
        record.ScanInfoArray[0].nMaxScanLine = 50;
        const ScanResult result = scan(record, stopAtCall);
        QCOMPARE(result.result, 0);
        QCOMPARE(result.calls, stopAtCall);
        QVERIFY(!result.endCall);
        // The scanner is ready for the next scan.
        QCOMPARE(scan(record).result, 1);
    }

    void badRecordsRefused_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("dpi 0") << 0;
        QTest::newRow("dpi 10001") << 1;
        QTest::newRow("negative dpi") << 2;
        QTest::newRow("right beyond window") << 3;
        QTest::newRow("bottom beyond window") << 4;
        QTest::newRow("left of window") << 5;
        QTest::newRow("left after right") << 6;
        QTest::newRow("empty area") << 7;
        QTest::newRow("not a number") << 8;
        QTest::newRow("no callback") << 9;
        QTest::newRow("no lines per block") << 10;
        QTest::newRow("unknown option type") << 11;
        QTest::newRow("8-bit colour mode") << 12;
        QTest::newRow("thinner than a pixel") << 13;
    }

    void badRecordsRefused()
    {
        QFETCH(int, fault);
        device::ScanOptionRecord record = scanRecord(kPositive);
        device::ScanInfo& info = record.ScanInfoArray[0];
        switch (fault) {
        case 0:
            info.nDPI = 0;
            break;
        case 1:
            info.nDPI = 10001;
            break;
        case 2:
            info.nDPI = -300;
            break;
        case 3:
            info.fScanAreaRight = 1.5f;
            break;
        case 4:
            info.fScanAreaBottom = 1.0f;
            break;
        case 5:
            info.fScanAreaLeft = -0.1f;
            break;
        case 6:
            info.fScanAreaLeft = 1.0f;
            info.fScanAreaRight = 0.5f;
            break;
        case 7:
            info.fScanAreaTop = info.fScanAreaBottom = 0.5f;
            break;
        case 8:
            info.fScanAreaRight = std::nanf("");
            break;
        case 9:
            info.pLineCallback = nullptr;
            break;
        case 10:
            info.nMaxScanLine = 0;
            break;
        case 11:
            record.dwOptionType = 3;
            break;
        case 12:
            info.nScanColorMode = device::PixelRgb8;
            break;
        case 13:
            info.fScanAreaRight = 0.001f;
            break;
        }
        const ScanResult result = scan(record);
        QCOMPARE(result.result, 0);
        QCOMPARE(result.calls, 0);
    }

    void highestResolutionAccepted()
    {
        // 10000 dpi is the limit, not beyond it.
        const ScanResult result = scan(scanRecord(kPositive, 10000, 0.5, 0.5, 0.51, 0.52));
        QCOMPARE(result.result, 1);
        QCOMPARE(result.width, 100);
        QCOMPARE(result.height, 200);
    }

    void failingScanSetting()
    {
        qputenv("KORVANE_SIM_FAIL_SCAN", "1");
        QCOMPARE(m_driver.link(), 1);
        const ScanResult result = scan(scanRecord(kPositive));
        QCOMPARE(result.result, 0);
        QCOMPARE(result.calls, 0);
        qunsetenv("KORVANE_SIM_FAIL_SCAN");
        QCOMPARE(m_driver.link(), 1);
        QCOMPARE(scan(scanRecord(kPositive)).result, 1);
    }

    void blockDelaySetting()
    {
        qputenv("KORVANE_SIM_BLOCK_DELAY_MS", "40");
        QCOMPARE(m_driver.link(), 1);
        device::ScanOptionRecord record = scanRecord(kPositive, 300, 0, 0, 1.437, 0.3);
        record.ScanInfoArray[0].nMaxScanLine = 30; // 90 lines: three blocks
        QElapsedTimer timer;
        timer.start();
        const ScanResult result = scan(record);
        QCOMPARE(result.result, 1);
        QCOMPARE(result.calls, 4);
        QVERIFY(timer.elapsed() >= 3 * 40);
    }

    // Unplugged in the middle of a final scan: prescans and film-base scans are not
    // affected, a final scan stops after the set number of blocks without its end
    // record, and the scanner stays away until the next link.
    void unplugDuringFinalScanSetting()
    {
        qputenv("KORVANE_SIM_UNPLUG_AFTER_BLOCKS", "2");
        QCOMPARE(m_driver.link(), 1);
        device::ScanOptionRecord prescan = scanRecord(kPositive, 300, 0, 0, 1.437, 0.3);
        prescan.ScanInfoArray[0].nMaxScanLine = 30; // 90 lines: three blocks
        device::ScanOptionRecord filmBase = prescan;
        filmBase.dwOptionType = device::kOptionFilmBase;
        filmBase.ScanInfoArray[0].bPrescan = 0; // the option alone marks it
        device::ScanOptionRecord finalScan = prescan;
        finalScan.ScanInfoArray[0].bPrescan = 0;
        device::ScanOptionRecord shortFinal = finalScan;
        shortFinal.ScanInfoArray[0].fScanAreaBottom = 0.2f; // 60 lines: two blocks

        for (const device::ScanOptionRecord& whole : { prescan, filmBase, shortFinal }) {
            const ScanResult result = scan(whole);
            QCOMPARE(result.result, 1);
            QCOMPARE(result.calls, whole.ScanInfoArray[0].fScanAreaBottom < 0.25f ? 3 : 4);
        }
        QVERIFY(m_driver.poll() & device::kStatusPresent);

        const ScanResult cut = scan(finalScan);
        QCOMPARE(cut.result, 0);
        QCOMPARE(cut.calls, 2);
        QCOMPARE(cut.linesReceived, 60);
        QVERIFY(!cut.endCall);
        QVERIFY(!(m_driver.poll() & device::kStatusPresent));
        QCOMPARE(scan(prescan).calls, 0);
        QVERIFY(!(m_driver.poll() & device::kStatusPresent));

        qunsetenv("KORVANE_SIM_UNPLUG_AFTER_BLOCKS");
        QCOMPARE(m_driver.link(), 1);
        QVERIFY(m_driver.poll() & device::kStatusPresent);
        QCOMPARE(scan(finalScan).result, 1);
    }

    void imageSetting_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("png") << "png";
        QTest::newRow("jpeg") << "jpg";
        QTest::newRow("16-bit tiff") << "tif";
    }

    void imageSetting()
    {
        QFETCH(QString, format);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.path() + QStringLiteral("/picture.") + format;
        // Left half red, right half blue.
        const int width = 300, height = 200;
        if (format == QLatin1String("tif")) {
            TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
            QVERIFY(tiff);
            TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
            TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            std::vector<std::uint16_t> line(width * 3);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    line[x * 3] = x < width / 2 ? 60000 : 3000;
                    line[x * 3 + 1] = 3000;
                    line[x * 3 + 2] = x < width / 2 ? 3000 : 60000;
                }
                QVERIFY(TIFFWriteScanline(tiff, line.data(), std::uint32_t(y), 0) == 1);
            }
            TIFFClose(tiff);
        } else {
            QImage image(width, height, QImage::Format_RGB32);
            image.fill(QColor(240, 12, 12));
            for (int y = 0; y < height; ++y)
                for (int x = width / 2; x < width; ++x)
                    image.setPixel(x, y, qRgb(12, 12, 240));
            QVERIFY(image.save(path, nullptr, 95));
        }
        qputenv("KORVANE_SIM_IMAGE", QFile::encodeName(path));
        QCOMPARE(m_driver.link(), 1);
        const ScanResult result = scan(scanRecord(kPositive));
        QCOMPARE(result.result, 1);
        const Place leftHalf { 0.4, 0.42 };
        const Place rightHalf { 1.0, 0.42 };
        QVERIFY(level(result, leftHalf, 0) > 5 * level(result, leftHalf, 2));
        QVERIFY(level(result, rightHalf, 2) > 5 * level(result, rightHalf, 0));
        // The holder and the film's border stay round the picture.
        QVERIFY(level(result, kHole, 1) > 50000);
        QVERIFY(level(result, kBorder, 1) < 1000);
    }

    void unreadableImageFallsBack_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("damaged png") << QByteArray("\x89PNG\r\n\x1a\nnot really", 18);
        QTest::newRow("damaged tiff") << QByteArray("II*\0\x08\0\0\0garbage", 15);
    }

    void unreadableImageFallsBack()
    {
        QFETCH(QByteArray, content);
        const ScanResult builtIn = scan(scanRecord(kPositive));
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.path() + QStringLiteral("/broken.png");
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        qputenv("KORVANE_SIM_IMAGE", QFile::encodeName(path));
        QCOMPARE(m_driver.link(), 1);
        const ScanResult result = scan(scanRecord(kPositive));
        QCOMPARE(result.result, 1);
        QVERIFY(result.pixels == builtIn.pixels);
    }

    void engineerMemoryChangesExposure()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        qputenv("KORVANE_SIM_STATE_DIR", QFile::encodeName(folder.path()));
        QCOMPARE(m_driver.link(), 1);
        const ScanResult before = scan(scanRecord(kPositive));
        std::uint8_t parameters[device::kScanParameterSize] = {};
        QCOMPARE(m_driver.call(device::CmdGetScanParameter, parameters), 1);
        auto* fields = reinterpret_cast<device::ScanParameterRecord*>(parameters);
        fields->exposureLow[1] = std::uint16_t(fields->exposureLow[1] * 2); // green exposure time doubled
        fields->lightness = 3;
        QCOMPARE(m_driver.call(device::CmdSetScanParameter, parameters), 1);
        const ScanResult after = scan(scanRecord(kPositive));
        QVERIFY(level(after, kMeadow, 1) > 1.8 * level(before, kMeadow, 1));
        QVERIFY(std::abs(level(after, kMeadow, 0) - level(before, kMeadow, 0)) < 1.0);
        // Lightness counts only when the record hands control to the device.
        device::ScanOptionRecord engineer = scanRecord(kPositive);
        engineer.ScanInfoArray[0].bControlHWLightness = 1;
        const ScanResult lighter = scan(engineer);
        QVERIFY(level(lighter, kMeadow, 0) > 1.3 * level(after, kMeadow, 0));
        qunsetenv("KORVANE_SIM_STATE_DIR");
    }
};

QTEST_GUILESS_MAIN(SimulatorScanTest)
#include "test_simulatorscan.moc"
