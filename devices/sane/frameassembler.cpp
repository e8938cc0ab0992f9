#include "frameassembler.h"

#include <algorithm>
#include <cstring>

namespace sanedev
{

namespace
{

int samplesPerPixel(FrameFormat::Kind kind)
{
    return kind == FrameFormat::Kind::Rgb ? 3 : 1;
}

int channelOf(FrameFormat::Kind kind)
{
    switch (kind) {
    case FrameFormat::Kind::Green:
        return 1;
    case FrameFormat::Kind::Blue:
        return 2;
    default:
        return 0;
    }
}

bool isSinglePass(FrameFormat::Kind kind)
{
    return kind == FrameFormat::Kind::Grey || kind == FrameFormat::Kind::Rgb;
}

} // namespace

FrameAssembler::FrameAssembler(RowSink sink)
    : m_sink(std::move(sink))
{
}

bool FrameAssembler::beginFrame(const FrameFormat& format)
{
    if (format.depth != 1 && format.depth != 8 && format.depth != 16)
        return false;
    if (format.pixelsPerLine <= 0 || format.lines <= 0)
        return false;
    const std::int64_t bits
        = std::int64_t(format.pixelsPerLine) * samplesPerPixel(format.kind) * format.depth;
    if (std::int64_t(format.bytesPerLine) * 8 < bits)
        return false;
    const bool separate = !isSinglePass(format.kind);
    if (m_framesSeen > 0) {
        // Only the frames of one three-pass image follow each other.
        if (!separate || !m_multiFrame || format.pixelsPerLine != m_format.pixelsPerLine
            || format.lines != m_format.lines)
            return false;
    } else {
        m_multiFrame = separate;
        m_complete = false;
        m_row.assign(std::size_t(format.pixelsPerLine) * 3, 0);
        if (separate)
            m_image.assign(std::size_t(format.pixelsPerLine) * std::size_t(format.lines) * 3, 0);
        else
            m_image.clear();
    }
    ++m_framesSeen;
    m_format = format;
    m_line.assign(std::size_t(format.bytesPerLine), 0);
    m_lineFill = 0;
    m_linesDone = 0;
    return true;
}

bool FrameAssembler::feed(const std::uint8_t* data, std::size_t size)
{
    while (size > 0 && m_linesDone < m_format.lines) {
        const std::size_t take = std::min(size, m_line.size() - m_lineFill);
        std::memcpy(m_line.data() + m_lineFill, data, take);
        m_lineFill += take;
        data += take;
        size -= take;
        if (m_lineFill == m_line.size() && !lineComplete())
            return false;
    }
    return true;
}

bool FrameAssembler::lineComplete()
{
    m_lineFill = 0;
    const int y = m_linesDone++;
    if (m_multiFrame) {
        std::uint16_t* out = m_image.data() + std::size_t(y) * std::size_t(m_format.pixelsPerLine) * 3
            + channelOf(m_format.kind);
        convertLine(m_line.data(), out, 1, 3);
        return true;
    }
    convertLine(m_line.data(), m_row.data(), samplesPerPixel(m_format.kind), 3);
    m_stopped = !m_sink(m_row.data());
    return !m_stopped;
}

void FrameAssembler::convertLine(const std::uint8_t* line, std::uint16_t* out, int channels, int stride)
{
    const int width = m_format.pixelsPerLine;
    const std::size_t samples = std::size_t(width) * std::size_t(channels);
    const bool grey = m_format.kind == FrameFormat::Kind::Grey;
    m_samples.resize(samples);
    std::uint16_t* decoded = m_samples.data();
    switch (m_format.depth) {
    case 16:
        std::memcpy(decoded, line, samples * 2); // the device's samples are in host order
        break;
    case 8:
        for (std::size_t i = 0; i < samples; ++i)
            decoded[i] = std::uint16_t(line[i] * 257);
        break;
    default:
        // Line art: a set bit is black in grey, full intensity in colour.
        for (std::size_t i = 0; i < samples; ++i) {
            const bool set = (line[i / 8] >> (7 - i % 8)) & 1;
            decoded[i] = (set != grey) ? 65535 : 0;
        }
        break;
    }
    if (channels == 3) {
        std::memcpy(out, decoded, samples * 2);
    } else if (grey) {
        for (int x = 0; x < width; ++x, out += 3)
            out[0] = out[1] = out[2] = decoded[x];
    } else {
        for (int x = 0; x < width; ++x, out += stride)
            *out = decoded[x];
    }
}

bool FrameAssembler::endFrame()
{
    if (m_linesDone < m_format.lines)
        return false;
    if (!m_multiFrame) {
        m_complete = true;
        m_framesSeen = 0;
        return true;
    }
    if (!m_format.lastFrame)
        return true;
    m_framesSeen = 0;
    const std::size_t rowSamples = std::size_t(m_format.pixelsPerLine) * 3;
    for (int y = 0; y < m_format.lines; ++y) {
        if (!m_sink(m_image.data() + std::size_t(y) * rowSamples)) {
            m_stopped = true;
            return false;
        }
    }
    m_complete = true;
    m_image.clear();
    m_image.shrink_to_fit();
    return true;
}

} // namespace sanedev
