#include "rawenlarge.h"

#include "imagelog.h"
#include "rawfile.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

// Column (or row) positions of the bilinear sampling: the two neighbours and the
// weight of the second, in double precision.
struct Tap {
    std::uint32_t first;
    std::uint32_t second;
    double weight;
};

std::vector<Tap> bilinearTaps(std::uint32_t sourceSize, std::uint32_t targetSize)
{
    std::vector<Tap> taps(targetSize);
    const double ratio = double(sourceSize) / double(targetSize);
    for (std::uint32_t i = 0; i < targetSize; ++i) {
        const double f = double(i) * ratio;
        std::uint32_t first = static_cast<std::uint32_t>(f); // truncation
        if (first > sourceSize - 1)
            first = sourceSize - 1;
        const std::uint32_t second = first == sourceSize - 1 ? first : first + 1;
        taps[i] = Tap { first, second, f - double(first) };
    }
    return taps;
}

bool halvesOnly(const std::vector<Tap>& taps)
{
    for (const Tap& tap : taps)
        if (tap.weight != 0.0 && tap.weight != 0.5)
            return false;
    return true;
}

template <typename Sample>
Sample bilinearSample(double p00, double p10, double p01, double p11, double dx, double dy)
{
    // Truncation toward zero of the weighted sum, exactly as the definition writes it.
    return static_cast<Sample>(
        ((1.0 - dx) * p00 + dx * p10) * (1.0 - dy) + ((1.0 - dx) * p01 + dx * p11) * dy);
}

// One target row of the bilinear enlargement. With weights of only 0 and 1/2 (a
// factor of 2) the double sums are exact, so integer halving gives the same samples.
template <typename Sample>
void bilinearRow(const std::uint8_t* source, std::size_t sourceStride, const std::vector<Tap>& xTaps,
    const Tap& yTap, bool integerPath, std::int32_t channels, std::uint8_t* out)
{
    const auto* row0 = reinterpret_cast<const Sample*>(source + yTap.first * sourceStride);
    const auto* row1 = reinterpret_cast<const Sample*>(source + yTap.second * sourceStride);
    auto* target = reinterpret_cast<Sample*>(out);
    const std::size_t c = std::size_t(channels);
    if (integerPath) {
        const bool halfY = yTap.weight != 0.0;
        for (const Tap& tap : xTaps) {
            const Sample* a0 = row0 + tap.first * c;
            const Sample* b0 = row0 + tap.second * c;
            const Sample* a1 = row1 + tap.first * c;
            const Sample* b1 = row1 + tap.second * c;
            const bool halfX = tap.weight != 0.0;
            for (std::size_t k = 0; k < c; ++k) {
                std::uint32_t v;
                if (halfX && halfY)
                    v = (std::uint32_t(a0[k]) + b0[k] + a1[k] + b1[k]) >> 2;
                else if (halfX)
                    v = (std::uint32_t(a0[k]) + b0[k]) >> 1;
                else if (halfY)
                    v = (std::uint32_t(a0[k]) + a1[k]) >> 1;
                else
                    v = a0[k];
                target[k] = static_cast<Sample>(v);
            }
            target += c;
        }
        return;
    }
    for (const Tap& tap : xTaps) {
        for (std::size_t k = 0; k < c; ++k) {
            target[k] = bilinearSample<Sample>(row0[tap.first * c + k], row0[tap.second * c + k],
                row1[tap.first * c + k], row1[tap.second * c + k], tap.weight, yTap.weight);
        }
        target += c;
    }
}

bool checkedTargetSize(std::uint32_t sourceSize, double scale, std::uint32_t* targetSize)
{
    const double size = std::trunc(double(sourceSize) * scale);
    if (!(size >= 1.0) || size > 4294967295.0)
        return false;
    *targetSize = static_cast<std::uint32_t>(size);
    return true;
}

} // namespace

namespace RawEnlarge
{

bool enlarge(const QString& sourcePath, const QString& targetPath, std::uint32_t sourceWidth,
    std::uint32_t sourceHeight, double scaleX, double scaleY, std::uint32_t bitsPerSample,
    std::int32_t channels, std::size_t workBufferBytes)
{
    // Opening the target truncates it: never the source itself.
    if (QFileInfo(sourcePath).absoluteFilePath() == QFileInfo(targetPath).absoluteFilePath())
        return false;
    RawFile source(sourcePath, RawFile::Read);
    if (!source.isOpen())
        return false;
    RawFile target(targetPath, RawFile::Write);
    if (!target.isOpen())
        return false;

    std::uint32_t targetWidth = 0;
    std::uint32_t targetHeight = 0;
    const std::size_t sampleBytes = bitsPerSample / 8;
    if ((bitsPerSample != 8 && bitsPerSample != 16) || channels < 1 || channels > 4 || sourceWidth == 0
        || sourceHeight == 0 || !checkedTargetSize(sourceWidth, scaleX, &targetWidth)
        || !checkedTargetSize(sourceHeight, scaleY, &targetHeight)) {
        qCWarning(lcImage) << "cannot enlarge" << sourceWidth << "x" << sourceHeight << "by" << scaleX
                           << scaleY;
        target.discard();
        return false;
    }
    const std::size_t pixelBytes = sampleBytes * std::size_t(channels);
    const std::uint64_t sourceStride = std::uint64_t(sourceWidth) * pixelBytes;
    const std::uint64_t targetStride = std::uint64_t(targetWidth) * pixelBytes;
    const std::uint64_t sourceBytes = sourceStride * sourceHeight;
    if (source.size() < std::int64_t(sourceBytes)) {
        qCWarning(lcImage) << sourcePath << "holds" << source.size() << "bytes, not" << sourceBytes;
        target.discard();
        return false;
    }

    bool ok = true;
    if (sourceBytes + targetStride <= workBufferBytes) {
        // Source whole in memory: bilinear. Only what is needed of the work buffer
        // is taken.
        std::unique_ptr<std::uint8_t[]> work(new std::uint8_t[sourceBytes + targetStride]);
        std::uint8_t* row = work.get();
        std::uint8_t* pixels = work.get() + targetStride;
        ok = source.read(pixels, sourceBytes);
        const std::vector<Tap> xTaps = bilinearTaps(sourceWidth, targetWidth);
        const std::vector<Tap> yTaps = bilinearTaps(sourceHeight, targetHeight);
        const bool integerPath = halvesOnly(xTaps) && halvesOnly(yTaps);
        for (std::uint32_t y = 0; y < targetHeight && ok; ++y) {
            if (sampleBytes == 1)
                bilinearRow<std::uint8_t>(pixels, sourceStride, xTaps, yTaps[y], integerPath, channels, row);
            else
                bilinearRow<std::uint16_t>(pixels, sourceStride, xTaps, yTaps[y], integerPath, channels, row);
            ok = target.write(row, targetStride);
        }
    } else {
        // Streaming: one source row, one target row, nearest neighbour in 16.16.
        std::unique_ptr<std::uint8_t[]> sourceRow(new std::uint8_t[sourceStride]);
        std::unique_ptr<std::uint8_t[]> targetRow(new std::uint8_t[targetStride]);
        const std::uint64_t stepX = (std::uint64_t(sourceWidth) << 16) / targetWidth;
        const std::uint64_t stepY = (std::uint64_t(sourceHeight) << 16) / targetHeight;
        std::vector<std::uint32_t> columns(targetWidth);
        std::uint64_t accumulated = 0;
        for (std::uint32_t x = 0; x < targetWidth; ++x, accumulated += stepX)
            columns[x] = static_cast<std::uint32_t>(accumulated >> 16);
        const bool sameRows = scaleY == 1.0;
        accumulated = 0;
        std::int64_t rowInBuffer = -1;
        for (std::uint32_t y = 0; y < targetHeight && ok; ++y, accumulated += stepY) {
            const std::int64_t wanted = sameRows ? std::int64_t(y) : std::int64_t(accumulated >> 16);
            if (wanted != rowInBuffer) {
                ok = (sameRows || source.seek(wanted * std::int64_t(sourceStride)))
                    && source.read(sourceRow.get(), sourceStride);
                rowInBuffer = wanted;
            }
            std::uint8_t* out = targetRow.get();
            for (std::uint32_t x = 0; x < targetWidth; ++x, out += pixelBytes)
                std::memcpy(out, sourceRow.get() + columns[x] * pixelBytes, pixelBytes);
            ok = ok && target.write(targetRow.get(), targetStride);
        }
    }
    ok = target.close() && ok;
    if (!ok) {
        qCWarning(lcImage) << "enlarging" << sourcePath << "into" << targetPath << "failed";
        QFile::remove(targetPath);
    }
    return ok;
}

void bilinearReference(const std::uint8_t* source, std::uint32_t sourceWidth, std::uint32_t sourceHeight,
    std::uint8_t* target, std::uint32_t targetWidth, std::uint32_t targetHeight, std::uint32_t bitsPerSample,
    std::int32_t channels)
{
    const std::size_t sampleBytes = bitsPerSample / 8;
    auto p = [&](std::uint32_t x, std::uint32_t y, std::int32_t c) -> double {
        const std::uint8_t* at = source + ((std::size_t(y) * sourceWidth + x) * channels + c) * sampleBytes;
        return sampleBytes == 1 ? double(at[0]) : double(at[0] | (at[1] << 8));
    };
    for (std::uint32_t y = 0; y < targetHeight; ++y) {
        for (std::uint32_t x = 0; x < targetWidth; ++x) {
            const double fx = double(x) * (double(sourceWidth) / double(targetWidth));
            const double fy = double(y) * (double(sourceHeight) / double(targetHeight));
            std::uint32_t x0 = static_cast<std::uint32_t>(fx);
            std::uint32_t y0 = static_cast<std::uint32_t>(fy);
            x0 = std::min(x0, sourceWidth - 1);
            y0 = std::min(y0, sourceHeight - 1);
            const std::uint32_t x1 = x0 == sourceWidth - 1 ? x0 : x0 + 1;
            const std::uint32_t y1 = y0 == sourceHeight - 1 ? y0 : y0 + 1;
            const double dx = fx - x0;
            const double dy = fy - y0;
            for (std::int32_t c = 0; c < channels; ++c) {
                const double v = ((1 - dx) * p(x0, y0, c) + dx * p(x1, y0, c)) * (1 - dy)
                    + ((1 - dx) * p(x0, y1, c) + dx * p(x1, y1, c)) * dy;
                const auto value = static_cast<std::uint32_t>(v);
                std::uint8_t* at = target + ((std::size_t(y) * targetWidth + x) * channels + c) * sampleBytes;
                at[0] = std::uint8_t(value & 0xFF);
                if (sampleBytes == 2)
                    at[1] = std::uint8_t(value >> 8);
            }
        }
    }
}

void nearestReference(const std::uint8_t* source, std::uint32_t sourceWidth, std::uint32_t sourceHeight,
    std::uint8_t* target, std::uint32_t targetWidth, std::uint32_t targetHeight, std::uint32_t bitsPerSample,
    std::int32_t channels)
{
    const std::size_t pixelBytes = bitsPerSample / 8 * std::size_t(channels);
    const std::uint64_t stepX = (std::uint64_t(sourceWidth) * 65536) / targetWidth;
    const std::uint64_t stepY = (std::uint64_t(sourceHeight) * 65536) / targetHeight;
    for (std::uint32_t y = 0; y < targetHeight; ++y) {
        const std::uint64_t sy = (std::uint64_t(y) * stepY) >> 16;
        for (std::uint32_t x = 0; x < targetWidth; ++x) {
            const std::uint64_t sx = (std::uint64_t(x) * stepX) >> 16;
            std::memcpy(target + (std::size_t(y) * targetWidth + x) * pixelBytes,
                source + (sy * sourceWidth + sx) * pixelBytes, pixelBytes);
        }
    }
}

} // namespace RawEnlarge

bool enlargeRaw(const QString& sourcePath, const QString& targetPath, std::uint32_t sourceWidth,
    std::uint32_t sourceHeight, double scaleX, double scaleY, std::uint32_t bitsPerSample,
    std::int32_t channels)
{
    return RawEnlarge::enlarge(sourcePath, targetPath, sourceWidth, sourceHeight, scaleX, scaleY,
        bitsPerSample, channels, RawEnlarge::kWorkBufferBytes);
}
