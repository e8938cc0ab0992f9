#include "profileediting.h"

#include <formlook.h>

#include "customdialog.h"
#include "devicerecord.h"
#include "manager.h"
#include "preferencesdialog.h"
#include "processingsteps.h"
#include "profileprocessingoptions.h"
#include "stimage.h"

#include <QDir>

#include <algorithm>

namespace
{

// The main window's font, which a window without parent does not inherit.
void useEditorFont(QWidget* dialog)
{
    dialog->setFont(FormLook::formFont(dialog->font()));
}

} // namespace

EditorContext ProfileEditing::applicationContext(manager& data)
{
    EditorContext context;
    context.processing = data.processing();
    context.modelCode = std::max(0, DeviceRecord::modelCode(data.scannerInfo()));
    return context;
}

ProfileEditing::Outcome ProfileEditing::editCustomSlot(
    manager& data, int slot, const QImage& prescan, const EditorContext& context)
{
    Outcome outcome;
    CustomDialog dialog(context);
    useEditorFont(&dialog);
    dialog.setProfile(data.profile(slot));
    dialog.setPrescanPicture(prescan);
    if (dialog.exec() != QDialog::Accepted)
        return outcome;
    outcome.accepted = true;
    outcome.profile = dialog.profile();
    outcome.stored = store(data, slot, outcome.profile, context.promptsOrNative(), nullptr);
    return outcome;
}

ProfileEditing::Outcome ProfileEditing::editPreferences(
    manager& data, int slot, const EditorContext& context, QWidget* parent)
{
    Outcome outcome;
    PreferencesDialog dialog(context, parent);
    useEditorFont(&dialog);
    dialog.setProfile(data.profile(slot));
    if (dialog.exec() != QDialog::Accepted)
        return outcome;
    outcome.accepted = true;
    outcome.profile = dialog.profile();
    outcome.stored = store(data, slot, outcome.profile, context.promptsOrNative(), parent);
    return outcome;
}

bool ProfileEditing::store(
    manager& data, int slot, const ScanProfile& profile, EditorPrompts* prompts, QWidget* parent)
{
    if (data.setProfile(slot, profile))
        return true;
    prompts->critical(parent, tr("Error"),
        tr("The profile could not be saved to \"%1\". It is used until the program ends.")
            .arg(QDir::toNativeSeparators(manager::customProfilePath(slot))));
    return false;
}

QImage ProfileEditing::uncorrectedPrescan(manager& data, const STImage& prescan, const ScanProfile& profile)
{
    if (prescan.width() == 0 || prescan.height() == 0)
        return QImage();
    ProcessingSteps steps;
    std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> tables {};
    std::copy(data.filmTerms().begin(), data.filmTerms().end(), tables.begin());
    steps.setFilmTermTables(tables);
    STImage developed = prescan;
    const int modelCode = std::max(0, DeviceRecord::modelCode(data.scannerInfo()));
    steps.runPrescan(developed, uncorrectedProcessingOptions(profile, modelCode));
    return developed.toQImage();
}
