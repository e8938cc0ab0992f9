#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace sanedev
{

// Brings rows of 16-bit R, G, B from the size a device scanned to the size the
// program asked for, row by row: each output pixel is the mean of the input pixels
// its area covers (the nearest one where the input is the smaller).
class BoxReducer
{
public:
    using RowSink = std::function<bool(const std::uint16_t* rgb)>;

    BoxReducer(int inWidth, int inHeight, int outWidth, int outHeight, RowSink sink);

    // Takes the next input row; false once the sink asked to stop.
    bool push(const std::uint16_t* rgb);
    int rowsOut() const { return m_out; }

private:
    static std::vector<int> spans(int in, int out);
    bool emit();

    int m_outWidth;
    int m_outHeight;
    RowSink m_sink;
    std::vector<int> m_columnSpan; // spans() of the columns and of the rows
    std::vector<int> m_rowSpan;
    std::vector<std::uint64_t> m_sums;
    std::vector<std::uint16_t> m_row;
    int m_rowsSummed = 0;
    int m_in = 0; // input rows taken
    int m_out = 0; // output rows given
};

} // namespace sanedev
