// The real worker linked to SANE's test backend through the SANE device library:
// prescans of a positive and a negative profile, a final scan whose file carries the
// resolution the device really used, and a device fault that leaves no file.

#include "sanetestsetup.h"
#include "workersignals.h"

#include <manager.h>
#include <nvascanner.h>
#include <scannersdk.h>
#include <stimage.h>

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <tiffio.h>

namespace
{

constexpr int kWaitMs = 60000;
constexpr int kPositiveSlot = 3;
constexpr int kNegativeSlot = 4;

} // namespace

class TestSaneWorker : public QObject
{
    Q_OBJECT

private:
    SaneTestSetup m_setup;
    QTemporaryDir m_output;
    std::unique_ptr<WorkerSignals> m_results;

    bool link(const QStringList& conf)
    {
        m_results.reset();
        manager::release();
        ScannerSDK::forgetDeviceSeenForTests();
        if (!m_setup.configure(conf))
            return false;
        manager* data = manager::instance();
        data->initProfiles();
        data->scanner()->device().setScannerName(QStringLiteral("test:0"));
        m_results = std::make_unique<WorkerSignals>(data->scanner());
        QSignalSpy ready(m_results.get(), &WorkerSignals::linkReady);
        QSignalSpy inquiry(m_results.get(), &WorkerSignals::inquiry);
        data->scanner()->startLink();
        if (!ready.wait(kWaitMs) || inquiry.isEmpty())
            return false;
        data->setScannerInfo(inquiry.at(0).at(0).toByteArray());
        return true;
    }

    ScanProfile profile(int slot) const
    {
        ScanProfile profile = manager::instance()->profile(slot);
        FilmSettings film = profile.filmSettings();
        film.multipass.enable = false;
        film.resolution = 0; // Quality: 3600 dpi asked, more than the backend has
        film.colourDepth = 0;
        film.fileFormat = 0;
        film.directory = m_output.path();
        profile.setFilmSettings(film);
        return profile;
    }

    STImage prescan(const ScanProfile& profile)
    {
        ScannerSDK* sdk = manager::instance()->scanner();
        QSignalSpy arrived(m_results.get(), &WorkerSignals::preScan);
        sdk->settings = profile;
        if (!sdk->requestPrescan() || !arrived.wait(kWaitMs))
            return STImage();
        return arrived.at(0).at(0).value<STImage>();
    }

    QString scan(const ScanProfile& profile, QString* failure,
        const ScannerSDK::ScanArea& area = { 0.2, 0.1, 0.3, 0.2 })
    {
        ScannerSDK* sdk = manager::instance()->scanner();
        QSignalSpy done(m_results.get(), &WorkerSignals::scanImage);
        QSignalSpy ended(m_results.get(), &WorkerSignals::ended);
        sdk->settings = profile;
        sdk->setScanArea(area);
        // The outcome comes after the result and carries the reason of a failure; an earlier
        // prescan's outcome may still be on its way.
        if (!sdk->requestScan())
            return QStringLiteral("<refused>");
        auto scanOutcome = [&]() -> const QList<QVariant>* {
            for (const QList<QVariant>& arguments : ended) {
                if (arguments.at(0).value<RequestOutcome>().kind == ScannerSDK::RequestScan)
                    return &arguments;
            }
            return nullptr;
        };
        QElapsedTimer waited;
        waited.start();
        while (!scanOutcome() && waited.elapsed() < kWaitMs)
            ended.wait(kWaitMs - int(waited.elapsed()));
        if (!scanOutcome() || done.isEmpty())
            return QStringLiteral("<no result>");
        const RequestOutcome outcome = scanOutcome()->at(0).value<RequestOutcome>();
        if (outcome.result == RequestOutcome::Failed)
            *failure = outcome.message;
        return done.at(0).at(0).toString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_setup.isValid());
        QVERIFY(m_output.isValid());
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        QVERIFY(link({ QStringLiteral("test-picture \"Color pattern\"") }));
    }

    void cleanupTestCase()
    {
        m_results.reset();
        manager::release();
    }

    // The link reports the borrowed model code and the device's own name.
    void linked()
    {
        const QByteArray record = manager::instance()->scannerInfo();
        QCOMPARE(NVAScanner::modelCode(record), 83);
        QCOMPARE(NVAScanner::deviceVendor(record), QStringLiteral("Noname"));
        QCOMPARE(NVAScanner::deviceModel(record), QStringLiteral("frontend-tester"));
    }

    // Both profiles give the whole window at the prescan's size; the negative's film
    // base measurement changes its balance and so its pixels.
    void prescans()
    {
        const STImage positive = prescan(profile(kPositiveSlot));
        QCOMPARE(int(positive.width()), 431);
        QCOMPARE(int(positive.height()), 287);
        const STImage negative = prescan(profile(kNegativeSlot));
        QCOMPARE(int(negative.width()), 431);
        QCOMPARE(int(negative.height()), 287);
        const std::size_t bytes = std::size_t(positive.width()) * positive.height() * 6;
        QVERIFY(std::memcmp(positive.data(), negative.data(), bytes) != 0);
    }

    // Quality asks 3600 dpi of a device that has at most 1200: the file says 1200 and
    // has the pixels of 1200 dpi (the backend's area moves in whole millimetres).
    void finalScanAtTheDevicesResolution()
    {
        QString failure;
        const QString path = scan(profile(kPositiveSlot), &failure);
        QVERIFY2(QFileInfo::exists(path), qPrintable(path + failure));
        TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
        QVERIFY(tiff);
        uint32_t width = 0;
        uint32_t height = 0;
        float resolution = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &resolution);
        TIFFClose(tiff);
        QCOMPARE(resolution, 1200.0f);
        const double pixelsPerMm = 1200 / 25.4;
        QVERIFY2(std::abs(double(width) - 0.3 * 1200) <= pixelsPerMm + 1, qPrintable(QString::number(width)));
        QVERIFY2(
            std::abs(double(height) - 0.2 * 1200) <= pixelsPerMm + 1, qPrintable(QString::number(height)));
        QFile::remove(path);
    }

    // A scanner SANE does not know fails the link with a reason that names it.
    void missingScannerNamed()
    {
        m_results.reset();
        manager::release();
        ScannerSDK::forgetDeviceSeenForTests();
        manager* data = manager::instance();
        data->initProfiles();
        data->scanner()->device().setScannerName(QStringLiteral("test:7"));
        m_results = std::make_unique<WorkerSignals>(data->scanner());
        QSignalSpy failed(m_results.get(), &WorkerSignals::linkFailure);
        QSignalSpy ended(m_results.get(), &WorkerSignals::ended);
        data->scanner()->startLink();
        QVERIFY(failed.wait(kWaitMs));
        QVERIFY(ended.count() == 1 || ended.wait(kWaitMs));
        const RequestOutcome outcome = ended.at(0).at(0).value<RequestOutcome>();
        QCOMPARE(outcome.kind, int(ScannerSDK::RequestLink));
        QCOMPARE(outcome.result, RequestOutcome::Failed);
        QVERIFY2(outcome.message.contains(QStringLiteral("test:7")), qPrintable(outcome.message));
    }

    void faultLeavesNoFile_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("jammed") << QStringLiteral("SANE_STATUS_JAMMED") << QStringLiteral("jammed");
        QTest::newRow("cover open") << QStringLiteral("SANE_STATUS_COVER_OPEN")
                                    << QStringLiteral("cover is open");
    }

    // A device fault during the final scan ends in its message and an empty path, and
    // nothing is written.
    void faultLeavesNoFile()
    {
        QFETCH(QString, status);
        QFETCH(QString, message);
        QVERIFY(link({ QStringLiteral("read-status-code \"%1\"").arg(status) }));
        QString failure;
        // A small area: the test backend's reader has finished writing it before the cancel
        // that follows the fault (a cancel while its reader thread still writes crashes it).
        QCOMPARE(scan(profile(kPositiveSlot), &failure, { 0.2, 0.1, 0.02, 0.02 }), QString());
        QVERIFY2(failure.contains(message), qPrintable(failure));
        QCOMPARE(QDir(m_output.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(manager::instance()->scanner()->isLinked());
    }
};

QTEST_MAIN(TestSaneWorker)
#include "test_saneworker.moc"
