#include "stimagereference.h"

namespace STImageReference
{

namespace
{

// Red, green, blue and, for a four-channel image, the fourth sample.
void copyPixel(const STImage& source, std::uint32_t sx, std::uint32_t sy, STImage& target, std::uint32_t tx,
    std::uint32_t ty)
{
    target.setRed(tx, ty, source.red(sx, sy));
    target.setGreen(tx, ty, source.green(sx, sy));
    target.setBlue(tx, ty, source.blue(sx, sy));
    if (source.channels() == 4)
        target.setSample(tx, ty, 3, source.sample(sx, sy, 3));
}

} // namespace

STImage to8Bit(const STImage& image)
{
    if (image.bitsPerSample() == 8)
        return image;
    STImage result = STImage::zeroed(image.width(), image.height(), 8, image.channels());
    result.setResolution(image.resolution());
    for (std::uint32_t y = 0; y < image.height(); ++y) {
        for (std::uint32_t x = 0; x < image.width(); ++x) {
            result.setRed(x, y, image.red(x, y) >> 8);
            result.setGreen(x, y, image.green(x, y) >> 8);
            result.setBlue(x, y, image.blue(x, y) >> 8);
        }
    }
    return result;
}

STImage scaled(const STImage& image, std::uint32_t newWidth, std::uint32_t newHeight)
{
    if (newWidth == 0 || newHeight == 0)
        return STImage();
    STImage result = STImage::zeroed(newWidth, newHeight, image.bitsPerSample(), image.channels());
    result.setResolution(image.resolution());
    const float rx = static_cast<float>(image.width()) / static_cast<float>(newWidth);
    const float ry = static_cast<float>(image.height()) / static_cast<float>(newHeight);
    for (std::uint32_t j = 0; j < newHeight; ++j) {
        for (std::uint32_t i = 0; i < newWidth; ++i) {
            const auto sx = static_cast<std::uint32_t>(static_cast<float>(i) * rx);
            const auto sy = static_cast<std::uint32_t>(static_cast<float>(j) * ry);
            result.setRed(i, j, image.red(sx, sy));
            result.setGreen(i, j, image.green(sx, sy));
            result.setBlue(i, j, image.blue(sx, sy));
        }
    }
    return result;
}

STImage rotatedRight(const STImage& image)
{
    STImage result = STImage::zeroed(image.height(), image.width(), image.bitsPerSample(), image.channels());
    for (std::uint32_t y = 0; y < image.height(); ++y)
        for (std::uint32_t x = 0; x < image.width(); ++x)
            copyPixel(image, x, y, result, image.height() - 1 - y, x);
    return result;
}

STImage mirrored(const STImage& image)
{
    STImage result = STImage::zeroed(image.width(), image.height(), image.bitsPerSample(), image.channels());
    for (std::uint32_t y = 0; y < image.height(); ++y)
        for (std::uint32_t x = 0; x < image.width(); ++x)
            copyPixel(image, x, y, result, image.width() - 1 - x, y);
    return result;
}

STImage flipped(const STImage& image)
{
    STImage result = STImage::zeroed(image.width(), image.height(), image.bitsPerSample(), image.channels());
    STImage row = STImage::zeroed(image.width(), 1, image.bitsPerSample(), image.channels());
    for (std::uint32_t y = 0; y < image.height(); ++y) {
        for (std::uint32_t x = 0; x < image.width(); ++x)
            copyPixel(image, x, y, row, x, 0);
        result.setRow(image.height() - 1 - y, row);
    }
    return result;
}

QImage toQImage(const STImage& image)
{
    if (image.width() == 0 || image.height() == 0)
        return QImage();
    QImage result(int(image.width()), int(image.height()), QImage::Format_RGB888);
    const int shift = image.bitsPerSample() == 16 ? 8 : 0;
    for (std::uint32_t y = 0; y < image.height(); ++y)
        for (std::uint32_t x = 0; x < image.width(); ++x)
            result.setPixel(int(x), int(y),
                qRgb(int(image.red(x, y) >> shift), int(image.green(x, y) >> shift),
                    int(image.blue(x, y) >> shift)));
    return result;
}

} // namespace STImageReference
