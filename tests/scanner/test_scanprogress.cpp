// The percent of a running scan: its stages, its order and its rate.

#include "scanprogress.h"

#include <QtTest>

#include <vector>

class TestScanProgress : public QObject
{
    Q_OBJECT

private slots:
    void stagesMapOntoTheirRanges();
    void linesAloneNeverReachTheEndOfTheAcquisition();
    void linesOutsideTheAcquisitionDoNotCount();
    void reportsAreThrottledButStageEndsAlwaysCome();
    void aNewScanStartsFromZero();
};

namespace
{

struct Recorder {
    std::vector<int> values;
    ScanProgress::Report report()
    {
        return [this](int percent) { values.push_back(percent); };
    }
};

} // namespace

void TestScanProgress::stagesMapOntoTheirRanges()
{
    Recorder seen;
    ScanProgress progress(seen.report(), 0);
    progress.begin();
    progress.beginAcquisition();
    for (std::size_t delivered : { 250, 500, 750 })
        progress.linesDelivered(delivered, 1000);
    progress.endAcquisition();
    for (int step = 0; step < 3; ++step)
        progress.stepDone();
    progress.saving();
    progress.done();
    // Halving the distance to 95 from 80: 87.5, 91.25, 93.125, truncated.
    QCOMPARE(seen.values, (std::vector<int> { 0, 20, 40, 60, 80, 87, 91, 93, 95, 100 }));
}

void TestScanProgress::linesAloneNeverReachTheEndOfTheAcquisition()
{
    Recorder seen;
    ScanProgress progress(seen.report(), 0);
    progress.begin();
    progress.beginAcquisition();
    progress.linesDelivered(1000, 1000);
    progress.linesDelivered(5000, 1000); // more than announced
    QCOMPARE(seen.values, (std::vector<int> { 0, 79 }));
    // Many steps still stay below the saving.
    progress.endAcquisition();
    for (int step = 0; step < 40; ++step)
        progress.stepDone();
    QVERIFY(seen.values.back() < ScanProgress::kProcessed);
}

void TestScanProgress::linesOutsideTheAcquisitionDoNotCount()
{
    // The film-base scan of a negative delivers lines before the prescan's own.
    Recorder seen;
    ScanProgress progress(seen.report(), 0);
    progress.begin();
    progress.linesDelivered(500, 1000);
    progress.beginAcquisition();
    progress.linesDelivered(100, 1000);
    progress.endAcquisition();
    progress.linesDelivered(900, 1000);
    QCOMPARE(seen.values, (std::vector<int> { 0, 8, 80 }));
}

void TestScanProgress::reportsAreThrottledButStageEndsAlwaysCome()
{
    Recorder seen;
    ScanProgress progress(seen.report(), 100);
    QElapsedTimer clock;
    clock.start();
    progress.begin();
    progress.beginAcquisition();
    for (std::size_t delivered = 1; delivered <= 1000; ++delivered)
        progress.linesDelivered(delivered, 1000);
    progress.endAcquisition();
    progress.stepDone();
    progress.saving();
    progress.done();
    if (clock.elapsed() >= 100)
        QSKIP("the machine was too slow for the interval to hold");
    // Within one interval only the marks of the stages get through.
    QCOMPARE(seen.values, (std::vector<int> { 0, 80, 95, 100 }));

    seen.values.clear();
    progress.begin();
    progress.beginAcquisition();
    QTest::qSleep(120);
    progress.linesDelivered(500, 1000);
    progress.linesDelivered(600, 1000);
    QCOMPARE(seen.values, (std::vector<int> { 0, 40 }));
}

void TestScanProgress::aNewScanStartsFromZero()
{
    Recorder seen;
    ScanProgress progress(seen.report(), 0);
    progress.begin();
    progress.beginAcquisition();
    progress.linesDelivered(10, 10);
    // A failed scan ends without its last marks; the next one is reported from 0.
    progress.begin();
    progress.beginAcquisition();
    progress.linesDelivered(5, 10);
    QCOMPARE(seen.values, (std::vector<int> { 0, 79, 0, 40 }));
    QCOMPARE(progress.last(), 40);
    // Once a scan is over without its marks, the lines of a scan of no request (the
    // one before a parameter read) say nothing.
    progress.finish();
    progress.linesDelivered(9, 10);
    QCOMPARE(seen.values, (std::vector<int> { 0, 79, 0, 40 }));
}

QTEST_GUILESS_MAIN(TestScanProgress)
#include "test_scanprogress.moc"
