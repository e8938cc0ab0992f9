#pragma once

#include <cstddef>
#include <cstdint>
#include <system_error>
#include <thread>

// Runs work(firstRow, endRow) over rows 0..rows-1, the second half on a second
// thread when the image is large enough for a thread start to pay. The halves
// write disjoint rows; the second thread is joined before returning.
template <typename Work> void splitRows(std::uint32_t rows, std::size_t totalBytes, Work work)
{
    // Below a few megabytes the whole pass takes less than a thread start costs.
    constexpr std::size_t kTwoThreadBytes = std::size_t(4) << 20;
    if (rows < 2 || totalBytes < kTwoThreadBytes || std::thread::hardware_concurrency() < 2) {
        work(std::uint32_t(0), rows);
        return;
    }
    const std::uint32_t middle = rows / 2;
    std::thread second;
    try {
        second = std::thread([&work, middle, rows] { work(middle, rows); });
    } catch (const std::system_error&) {
        work(std::uint32_t(0), rows); // no thread to be had: one pass
        return;
    }
    work(std::uint32_t(0), middle);
    second.join();
}
