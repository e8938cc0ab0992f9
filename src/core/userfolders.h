#pragma once

#include <QString>

// The user's folders, all below the platform's documents location. Each function
// returns an absolute path and creates the folder (with its parents) when missing,
// except rawImageFolder(), which only the option-record dump creates.
namespace UserFolders
{

QString userFolder(const QString& name); // documents + "/" + name; always called with "Korvane"
QString picturesFolder(); // userFolder("Korvane") + "/Pictures"
QString dataFolder(); // userFolder("Korvane") + "/Data": the profile files
QString debugFolder(); // userFolder("Korvane") + "/Debug/" + local "yyyy-M-dd_hh"
QString rawImageFolder(); // userFolder("Korvane") + "/RAW image", not created

// The first of the Korvane, Pictures and Data folders that cannot be created or
// written to, or an empty string when all can. Start-up asks once and stops on an
// answer, so that nothing is written anywhere else.
QString unusableFolder();

} // namespace UserFolders
