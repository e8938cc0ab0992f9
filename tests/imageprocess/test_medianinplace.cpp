// The in-place 3x3 median of the pipeline steps against the plain reference on a copy:
// every sample must be the same, whatever the thread split and the row parts' borders.

#include <cip_median.h>

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cstdint>
#include <vector>

class TestMedianInPlace : public QObject
{
    Q_OBJECT

private slots:
    void sameAsReference_data();
    void sameAsReference();
};

void TestMedianInPlace::sameAsReference_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("levels");
    // Large enough for two threads; odd heights so the two parts differ in size.
    QTest::newRow("16-bit, 2 threads") << 16 << 701 << 403 << 3 << 2 << 65536;
    QTest::newRow("16-bit, 1 thread") << 16 << 701 << 403 << 3 << 1 << 65536;
    QTest::newRow("16-bit, 3 parts") << 16 << 301 << 100 << 3 << 3 << 65536;
    QTest::newRow("8-bit, 2 threads") << 8 << 2100 << 151 << 3 << 2 << 256;
    // Few levels make ties, where a kernel reading an overwritten row would show.
    QTest::newRow("16-bit, few levels") << 16 << 650 << 420 << 3 << 2 << 4;
    QTest::newRow("wider than a chunk, 1 channel") << 16 << 5000 << 61 << 1 << 2 << 65536;
    QTest::newRow("smallest image") << 16 << 3 << 3 << 3 << 2 << 65536;
    QTest::newRow("three rows, more threads than rows") << 8 << 40 << 3 << 3 << 4 << 256;
    QTest::newRow("four rows, two parts") << 16 << 50 << 4 << 3 << 2 << 65536;
}

void TestMedianInPlace::sameAsReference()
{
    QFETCH(int, bits);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, channels);
    QFETCH(int, threads);
    QFETCH(int, levels);
    QRandomGenerator rng(quint32(width * 7 + height * 3 + bits + levels));
    const std::size_t samples = std::size_t(width) * height * channels;
    std::vector<uint16_t> wide(samples);
    for (auto& s : wide)
        s = uint16_t(rng.bounded(levels));
    std::vector<uint8_t> narrow(wide.begin(), wide.end());
    void* pixels = bits == 8 ? static_cast<void*>(narrow.data()) : static_cast<void*>(wide.data());
    const std::size_t bytes = samples * (bits == 8 ? 1 : 2);
    std::vector<char> reference(bytes);
    CIP_Median::filterReference(pixels, reference.data(), width, height, bits, channels, 3);

    QVERIFY(CIP_Median::apply(pixels, width, height, bits, channels, 3, threads));
    const char* result = static_cast<const char*>(pixels);
    QVERIFY(std::equal(reference.begin(), reference.end(), result));
}

QTEST_GUILESS_MAIN(TestMedianInPlace)
#include "test_medianinplace.moc"
