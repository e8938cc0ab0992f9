#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Everything that depends on the scanner model, in one table keyed by the 16-bit
// model code of the device information record. A model the table does not list is
// not supported: the worker refuses it, and each lookup below says what it gives
// for such a code.
namespace ScannerModels
{

using Balance = std::array<std::uint16_t, 3>; // red, green, blue

struct Model {
    int code; // model code in the device information record
    int parameterIndex; // model index of the parameter files (the "TQ" folders)
    Balance presetBalance; // device colour balance of prescans and scans
    std::array<int, 2> deviceDpi; // asked of the device, Quality then Normal
    std::array<int, 2> outputDpi; // written into the file (the scan is enlarged to it)
    double multipassHighlight; // highlight factor of multipass on positives and slides
    int firstFilmTermTable; // table of the positive-film step; the other three follow
};

// The supported models.
inline constexpr Model kModels[] = {
    { 82, 9, { { 137, 139, 133 } }, { { 3600, 1800 } }, { { 3600, 1800 } }, 3.0, 2 },
    { 83, 9, { { 137, 139, 133 } }, { { 3600, 1800 } }, { { 3600, 1800 } }, 3.0, 2 },
    // Quality is scanned at the device's highest resolution and doubled in the file.
    { 84, 11, { { 136, 143, 135 } }, { { 5000, 5000 } }, { { 10000, 5000 } }, 4.0, 6 },
};

// The balance the device starts from whatever the model: the film-base scan asks for
// it, and the read of the measured film-base balance is preset to it.
inline constexpr Balance kDefaultBalance { { 137, 139, 133 } };
// Multipass highlight factor of a model the table does not list.
inline constexpr double kUnknownMultipassHighlight = 4.0;

// The entry of a model code; nullptr for a model the table does not list.
constexpr const Model* find(int code)
{
    for (const Model& model : kModels) {
        if (model.code == code)
            return &model;
    }
    return nullptr;
}

constexpr bool isSupported(int code)
{
    return find(code) != nullptr;
}

// Model index of the parameter files; 0 (the default files, no film terms of a model)
// for an unlisted code, every time: a pipeline never inherits the index of a scanner
// an earlier pipeline saw.
constexpr int parameterIndex(int code)
{
    const Model* model = find(code);
    return model ? model->parameterIndex : 0;
}

// The table of a film-term step for a parameter model index: step 0 positive film,
// 1 positive film 2, 2 generic negative, 3 default negative; -1 when the index has none.
constexpr int filmTermTable(int parameterIndex, int step)
{
    if (step < 0 || step > 3)
        return -1;
    for (const Model& model : kModels) {
        if (model.parameterIndex == parameterIndex)
            return model.firstFilmTermTable + step;
    }
    return -1;
}

// Resolutions of the final scan for the Quality choice or the Normal one (the
// profile's scansAtQuality() says which); 0 for an unlisted code.
constexpr int deviceDpi(int code, bool quality)
{
    const Model* model = find(code);
    return model ? model->deviceDpi[quality ? 0 : 1] : 0;
}

constexpr int outputDpi(int code, bool quality)
{
    const Model* model = find(code);
    return model ? model->outputDpi[quality ? 0 : 1] : 0;
}

// The enlargement a model's resolutions ask for: the file written at outputDpi from a
// scan at scannedDpi. The file writers know a single one, so the table holds at most
// one (the first found is it; {0, 0} when no model enlarges).
struct Enlargement {
    int scannedDpi;
    int outputDpi;
};

constexpr Enlargement enlargement()
{
    for (const Model& model : kModels) {
        for (std::size_t choice = 0; choice < model.outputDpi.size(); ++choice) {
            if (model.outputDpi[choice] != model.deviceDpi[choice])
                return { model.deviceDpi[choice], model.outputDpi[choice] };
        }
    }
    return { 0, 0 };
}

// The scanner's window in inches, the same for every model.
constexpr double kWindowWidthInches = 1.437;
constexpr double kWindowHeightInches = 0.957;

constexpr int highestDeviceDpi()
{
    int dpi = 0;
    for (const Model& model : kModels) {
        for (int d : model.deviceDpi)
            dpi = d > dpi ? d : dpi;
    }
    return dpi;
}

// The largest image any listed model scans: the whole window at the highest device
// resolution, with two pixels of allowance for the rounding at the window's edge. A larger
// size announced by a device or found in a scan dump is damage and must not decide an
// allocation.
constexpr int kLargestScanWidth = int(kWindowWidthInches * highestDeviceDpi()) + 2;
constexpr int kLargestScanHeight = int(kWindowHeightInches * highestDeviceDpi()) + 2;

constexpr double multipassHighlight(int code)
{
    const Model* model = find(code);
    return model ? model->multipassHighlight : kUnknownMultipassHighlight;
}

// The supported codes for a message: "a, b, c".
inline std::string codeList()
{
    std::string list;
    for (const Model& model : kModels) {
        if (!list.empty())
            list += ", ";
        list += std::to_string(model.code);
    }
    return list;
}

} // namespace ScannerModels
