#include "cip_parallel.h"

#include <algorithm>
#include <thread>

namespace
{
// Below this many sample operations a second thread does not pay for its start.
constexpr std::size_t kMinWorkForThreads = 1u << 18;
}

int CIP_Parallel::defaultThreads()
{
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware >= 2 ? 2 : 1;
}

void CIP_Parallel::run(std::size_t rows, std::size_t workPerRow, int threads,
    const std::function<void(std::size_t, std::size_t)>& body)
{
    if (rows == 0)
        return;
    if (threads <= 0)
        threads = defaultThreads();
    if (rows * workPerRow < kMinWorkForThreads)
        threads = 1;
    threads = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(threads), rows));
    if (threads <= 1) {
        body(0, rows);
        return;
    }
    const std::size_t perThread = (rows + threads - 1) / threads;
    std::thread helper([&] { body(0, perThread); });
    // The calling thread takes the second part: one thread start instead of two.
    for (int t = 1; t < threads; ++t) {
        const std::size_t first = perThread * t;
        body(first, std::min(rows, first + perThread));
    }
    helper.join();
}
