#pragma once

#include <cstddef>
#include <functional>

// Splits a row range over at most two worker threads (the machines this runs on have two
// cores, and the scanner worker already owns one thread). Each row is handled by exactly one
// thread and no kernel reads what another thread writes, so the samples are the same whatever
// the thread count.
//
// Threading: callable from any thread; run() blocks until every part has finished.
class CIP_Parallel
{
public:
    // Threads used when a caller passes 0: two when the machine has them, else one.
    static int defaultThreads();

    // Calls body(firstRow, endRow) over [0, rows) in at most `threads` contiguous parts
    // (0 = defaultThreads()). Small jobs run on the calling thread only, since starting a
    // thread costs more than they do.
    static void run(std::size_t rows, std::size_t workPerRow, int threads,
        const std::function<void(std::size_t, std::size_t)>& body);
};
