#include "boxreducer.h"

#include <algorithm>

namespace sanedev
{

BoxReducer::BoxReducer(int inWidth, int inHeight, int outWidth, int outHeight, RowSink sink)
    : m_outWidth(outWidth)
    , m_outHeight(outHeight)
    , m_sink(std::move(sink))
    , m_columnSpan(spans(inWidth, outWidth))
    , m_rowSpan(spans(inHeight, outHeight))
    , m_sums(std::size_t(outWidth) * 3, 0)
    , m_row(std::size_t(outWidth) * 3, 0)
{
}

// Begin and end of every output cell's input span, two entries per cell. Spans
// never are empty, and where the input is larger they tile it without overlap.
std::vector<int> BoxReducer::spans(int in, int out)
{
    std::vector<int> result(std::size_t(out) * 2);
    for (int o = 0; o < out; ++o) {
        const int begin = std::min(in - 1, int(std::int64_t(o) * in / out));
        const int end = std::max(begin + 1, std::min(in, int(std::int64_t(o + 1) * in / out)));
        result[std::size_t(2 * o)] = begin;
        result[std::size_t(2 * o + 1)] = end;
    }
    return result;
}

bool BoxReducer::push(const std::uint16_t* rgb)
{
    const int r = m_in++;
    while (m_out < m_outHeight && m_rowSpan[std::size_t(2 * m_out)] <= r) {
        if (r >= m_rowSpan[std::size_t(2 * m_out + 1)])
            return true; // beyond this cell; input rows past the last cell are dropped
        for (int x = 0; x < m_outWidth; ++x) {
            const int begin = m_columnSpan[std::size_t(2 * x)];
            const int end = m_columnSpan[std::size_t(2 * x + 1)];
            std::uint64_t* sum = &m_sums[std::size_t(x) * 3];
            for (int i = begin; i < end; ++i) {
                const std::uint16_t* p = rgb + std::size_t(i) * 3;
                sum[0] += p[0];
                sum[1] += p[1];
                sum[2] += p[2];
            }
        }
        ++m_rowsSummed;
        if (r + 1 < m_rowSpan[std::size_t(2 * m_out + 1)])
            return true;
        if (!emit())
            return false;
    }
    return true;
}

bool BoxReducer::emit()
{
    for (int x = 0; x < m_outWidth; ++x) {
        const std::uint64_t count
            = std::uint64_t(m_columnSpan[std::size_t(2 * x + 1)] - m_columnSpan[std::size_t(2 * x)])
            * std::uint64_t(m_rowsSummed);
        for (int c = 0; c < 3; ++c) {
            std::uint64_t& sum = m_sums[std::size_t(x) * 3 + std::size_t(c)];
            m_row[std::size_t(x) * 3 + std::size_t(c)] = std::uint16_t((sum + count / 2) / count);
            sum = 0;
        }
    }
    m_rowsSummed = 0;
    ++m_out;
    return m_sink(m_row.data());
}

} // namespace sanedev
