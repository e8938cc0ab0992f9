#pragma once

#include "editorprompts.h"
#include "scanprofile.h"

#include <QCoreApplication>
#include <QImage>

class manager;
class QWidget;
class STImage;

// The two flows of the main form that open the editors, kept apart from the form so
// that a test drives them: run the dialog modally on a slot's profile and store an
// accepted profile back into the slot. What the form shows afterwards (the button's
// caption, the information panel, the reprocessed prescan) stays with the form.
// Main thread only.
class ProfileEditing
{
    Q_DECLARE_TR_FUNCTIONS(ProfileEditing)

public:
    struct Outcome {
        bool accepted = false;
        bool stored = false; // false when the slot's file could not be written
        ScanProfile profile; // the edited profile when accepted
    };

    // The context of the running program: the manager's processing object and the
    // model code of the linked scanner (0 before one reported).
    static EditorContext applicationContext(manager& data);

    // The custom editor on slot (5-9). When prescan is not null the editor offers it
    // in place of its sample pictures. A custom file that cannot be written is told
    // to the user, naming it; the slot keeps the edited profile all the same.
    static Outcome editCustomSlot(
        manager& data, int slot, const QImage& prescan = QImage(), const EditorContext& context = {});

    // The preferences of slot (any slot: the current mode's).
    static Outcome editPreferences(
        manager& data, int slot, const EditorContext& context = {}, QWidget* parent = nullptr);

    // A prescan as the editors' previews start from it: the prescan road of profile
    // with every switch of the user off, on a processing object of its own, so the
    // tables the real prescan left for the final scan stay as they are.
    static QImage uncorrectedPrescan(manager& data, const STImage& prescan, const ScanProfile& profile);

private:
    static bool store(
        manager& data, int slot, const ScanProfile& profile, EditorPrompts* prompts, QWidget* parent);
};
