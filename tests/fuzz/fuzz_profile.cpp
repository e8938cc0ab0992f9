// Profile files, read through the program's own load, then everything the scan takes from
// a loaded profile: its processing options for every model, the next output name, and a
// save and load round trip that must give the same profile.

#include "fuzzsupport.h"

#include <profileprocessingoptions.h>
#include <scannermodels.h>
#include <scanprofile.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzSupport::quiet();
    const QString path = FuzzSupport::writeScratch(QStringLiteral("input.kor"), data, size);
    ScanProfile profile;
    if (!profile.load(path))
        return 0;
    for (const ScannerModels::Model& model : ScannerModels::kModels)
        profileProcessingOptions(profile, model.code);
    profileProcessingOptions(profile, 0);

    const QString again = FuzzSupport::scratch().filePath(QStringLiteral("again.kor"));
    if (profile.save(again)) {
        ScanProfile reloaded;
        if (!reloaded.load(again) || reloaded.toXml() != profile.toXml())
            std::abort(); // what the program writes it must read back unchanged
    }
    return 0;
}
