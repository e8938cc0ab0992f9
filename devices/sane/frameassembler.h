#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace sanedev
{

// One frame as the device describes it once its scan has started.
struct FrameFormat {
    enum class Kind { Grey, Rgb, Red, Green, Blue };
    Kind kind = Kind::Rgb;
    int depth = 8; // bits per sample: 1, 8 or 16 (host byte order)
    int bytesPerLine = 0; // may exceed what the pixels need: the rest is padding
    int pixelsPerLine = 0;
    int lines = 0;
    bool lastFrame = true;
};

// Turns the bytes a device hands over, in pieces of any size, into rows of 16-bit
// R, G, B. Rows of a grey or colour frame go to the sink as soon as they are whole;
// the frames of a three-pass scan are kept until the last one has come.
class FrameAssembler
{
public:
    // Returns false to stop the scan.
    using RowSink = std::function<bool(const std::uint16_t* rgb)>;

    explicit FrameAssembler(RowSink sink);

    // False for a frame the assembler cannot take (an unknown depth, lines too short
    // for their pixels, no height, or a later frame of another size).
    bool beginFrame(const FrameFormat& format);
    // False once the sink asked to stop.
    bool feed(const std::uint8_t* data, std::size_t size);
    // True when the frame's every line has come; the rows of a three-pass scan are
    // handed on then, once its last frame is complete.
    bool endFrame();

    int width() const { return m_format.pixelsPerLine; }
    int height() const { return m_format.lines; }
    bool complete() const { return m_complete; }
    bool stopped() const { return m_stopped; }

private:
    bool lineComplete();
    void convertLine(const std::uint8_t* line, std::uint16_t* out, int channels, int stride);

    RowSink m_sink;
    FrameFormat m_format;
    bool m_multiFrame = false;
    bool m_complete = false;
    bool m_stopped = false;
    int m_framesSeen = 0;
    int m_linesDone = 0;
    std::vector<std::uint8_t> m_line;
    std::size_t m_lineFill = 0;
    std::vector<std::uint16_t> m_samples; // one line's samples, decoded
    std::vector<std::uint16_t> m_row; // one converted row
    std::vector<std::uint16_t> m_image; // the whole image of a three-pass scan
};

} // namespace sanedev
