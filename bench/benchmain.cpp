#include "benchharness.h"

#ifdef KORVANE_BENCH_OPENCV
#include <opencv2/core.hpp>
#endif
#ifdef KORVANE_BENCH_VIPS
#include <vips/vips8>
#endif

#include <QApplication>

int main(int argc, char** argv)
{
    // Some steps read data relative to the program's folder, as the application does;
    // the editors' dialogs need a widget application, offscreen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
#ifdef KORVANE_BENCH_OPENCV
    cv::setNumThreads(1);
#endif
#ifdef KORVANE_BENCH_VIPS
    if (VIPS_INIT(argv[0]) != 0)
        return 1;
    vips_concurrency_set(1);
    vips_cache_set_max(0); // every iteration computes afresh
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    bench::ComparisonReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printComparison();
    benchmark::Shutdown();
#ifdef KORVANE_BENCH_VIPS
    vips_shutdown();
#endif
    return 0;
}
