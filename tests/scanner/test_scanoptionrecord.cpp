#include "scanoptionrecord.h"
#include "servicemodes.h"
#include "userfolders.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstring>

using namespace ScanOptionRecords;

namespace
{

int dummyCallback(device::LineRecord*)
{
    return 1;
}

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

// The record from its raw bytes: fields not set must be zero.
bool zeroOutside(const device::ScanOptionRecord& record)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    const std::size_t firstEntryEnd
        = offsetof(device::ScanOptionRecord, ScanInfoArray) + sizeof(device::ScanInfo);
    for (std::size_t i = firstEntryEnd; i < offsetof(device::ScanOptionRecord, dwStatus); ++i)
        if (bytes[i] != 0)
            return false;
    const device::ScanInfo& info = record.ScanInfoArray[0];
    for (std::uint8_t byte : info.reserved2)
        if (byte != 0)
            return false;
    return info.reserved0 == 0 && info.reserved1 == 0 && info.reserved3[0] == 0 && info.reserved3[1] == 0
        && record.reserved == 0 && info.pGammaTableR == nullptr && info.pGammaTableG == nullptr
        && info.pGammaTableB == nullptr && info.bShadowEnhanceR == 0
        && info.pIP_PARAMETER_INFO_SDK.iLowExpo[2] == 0;
}

} // namespace

class TestScanOptionRecord : public QObject
{
    Q_OBJECT

private slots:
    // The records are packed: fields are compared as values (+field), never bound to
    // references, which could be misaligned.
    void filmBaseRecord()
    {
        const device::ScanOptionRecord record = ScanOptionRecords::filmBaseRecord(32, dummyCallback);
        const device::ScanInfo& info = record.ScanInfoArray[0];
        QCOMPARE(+record.dwOptionType, 8u);
        QCOMPARE(+info.nDPI, 300);
        QCOMPARE(+info.fScanAreaRight, 1.437f);
        QCOMPARE(+info.fScanAreaBottom, 0.957f);
        QCOMPARE(+info.nScanColorMode, 7);
        QCOMPARE(+info.wColorBalanceR, 137);
        QCOMPARE(+info.wColorBalanceG, 139);
        QCOMPARE(+info.wColorBalanceB, 133);
        QCOMPARE(int(info.bFilmMediaType), 32);
        QCOMPARE(int(info.bPrescan), 1);
        QCOMPARE(+info.wGainFactorR, 0);
        QCOMPARE(+info.wLowColorBalanceB, 100);
        QCOMPARE(+record.dwStatus, 1u);
        QVERIFY(info.pLineCallback == &dummyCallback);
        QVERIFY(zeroOutside(record));
    }

    void prescanAndFinalDiffer()
    {
        const ScanOptionRecords::Triple balance { { 136, 143, 135 } };
        const device::ScanOptionRecord prescan = prescanRecord(balance, 16, dummyCallback);
        QCOMPARE(+prescan.dwOptionType, 0u);
        QCOMPARE(+prescan.ScanInfoArray[0].wGainFactorG, 100);
        QCOMPARE(+prescan.ScanInfoArray[0].wColorBalanceG, 143);
        QCOMPARE(int(prescan.ScanInfoArray[0].bPrescan), 1);
        QVERIFY(zeroOutside(prescan));

        const device::ScanOptionRecord final
            = finalRecord(5000, 0.25, 0.125, 1.0, 0.5, balance, 48, dummyCallback);
        const device::ScanInfo& info = final.ScanInfoArray[0];
        QCOMPARE(+info.nDPI, 5000);
        QCOMPARE(+info.fScanAreaLeft, 0.25f);
        QCOMPARE(+info.fScanAreaTop, 0.125f);
        QCOMPARE(+info.fScanAreaRight, 1.25f);
        QCOMPARE(+info.fScanAreaBottom, 0.625f);
        QCOMPARE(int(info.bPrescan), 0);
        QCOMPARE(+info.wGainFactorR, 0); // 0 outside engineer mode, unlike the prescan's 100
        QCOMPARE(int(info.bFilmMediaType), 48);
        QVERIFY(zeroOutside(final));
    }

    void multipass_data()
    {
        QTest::addColumn<int>("filmType");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("highRed");
        QTest::addColumn<int>("lowRed");
        QTest::newRow("slide on 82") << 0 << 82 << 411 << 109;
        QTest::newRow("slide on 84") << 0 << 84 << 548 << 109;
        QTest::newRow("colour negative") << 1 << 82 << 205 << 109;
        QTest::newRow("black-and-white negative") << 3 << 84 << 205 << 109;
        QTest::newRow("positive black-and-white on 83") << 2 << 83 << 411 << 109;
        QTest::newRow("slide on an unlisted model") << 0 << 99 << 548 << 109;
    }

    void multipass()
    {
        QFETCH(int, filmType);
        QFETCH(int, model);
        QFETCH(int, highRed);
        QFETCH(int, lowRed);
        const Multipass values
            = multipassBalance({ { 137, 139, 133 } }, FilmTypes::fromTarget(filmType), model);
        QCOMPARE(int(values.highlights[0]), highRed);
        QCOMPARE(int(values.shadows[0]), lowRed);
        if (filmType == 0 && model == 82) {
            QCOMPARE(values.highlights, (Triple { { 411, 417, 399 } }));
            QCOMPARE(values.shadows, (Triple { { 109, 111, 106 } }));
        }
        device::ScanOptionRecord record = prescanRecord({ { 137, 139, 133 } }, 16, dummyCallback);
        applyMultipass(record, values);
        QCOMPARE(+record.dwOptionType, 4u);
        QCOMPARE(int(record.ScanInfoArray[0].wHighColorBalanceR), highRed);
        QCOMPARE(int(record.ScanInfoArray[0].wLowColorBalanceR), lowRed);
        applyEngineer(record, { { 90, 95, 105 } });
        QCOMPARE(int(record.ScanInfoArray[0].bControlHWLightness), 1);
        QCOMPARE(int(record.ScanInfoArray[0].wGainFactorB), 105);
    }

    // The prescan dump compared line by line with the fixture.
    void prescanDumpMatchesFixture()
    {
        ServiceModes::instance().setRawMode(false);
        const device::ScanOptionRecord record = prescanRecord({ { 137, 139, 133 } }, 16, dummyCallback);
        QVERIFY(dumpOptionRecord(QStringLiteral("preScan"), record));
        const QString path = UserFolders::debugFolder() + QStringLiteral("/preScan_option.txt");
        QCOMPARE(dumpPath(QStringLiteral("preScan")), path);
        const QStringList written = linesOf(path);
        const QStringList expected = linesOf(QStringLiteral(KORVANE_TEST_DATA_DIR "/prescan_option.txt"));
        QVERIFY(expected.size() > 40);
        QCOMPARE(written.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(written.at(i), expected.at(i));
    }

    void rawModeDumpGoesToTheRawFolder()
    {
        ServiceModes::instance().setRawMode(true);
        QDir(UserFolders::rawImageFolder()).removeRecursively();
        device::ScanOptionRecord record = finalRecord(1800, 0, 0, 1, 1, { { 1, 2, 3 } }, 16, dummyCallback);
        record.ScanInfoArray[0].pIP_PARAMETER_INFO_SDK.iHighExpo[1] = -5;
        QVERIFY(dumpOptionRecord(QStringLiteral("Scan"), record));
        ServiceModes::instance().setRawMode(false);
        const QStringList lines = linesOf(UserFolders::rawImageFolder() + QStringLiteral("/Scan_option.txt"));
        QCOMPARE(lines.value(0), QStringLiteral("pOptionScan.ScanInfoArray[0].nDP I=1800"));
        QVERIFY(lines.contains(
            QStringLiteral("pOptionScan.ScanInfoArray[0].pIP_PARAMETER_INFO_SDK.iHighExpo[1] = -5")));
        QVERIFY(lines.contains(QStringLiteral("pOptionScan.ScanInfoArray[0].bPrescan = 0")));
    }
};

QTEST_GUILESS_MAIN(TestScanOptionRecord)
#include "test_scanoptionrecord.moc"
