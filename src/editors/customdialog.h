#pragma once

#include "editorprompts.h"
#include "scanprofile.h"

#include <QDialog>
#include <QImage>

#include <memory>

class Film135;
class MicroSides;
class QSignalMapper;
namespace Ui
{
class CustomDialog;
}

// The editor of one custom profile: the mode radios switch between the slide page (0)
// and the film page (1); Save accepts with both pages' settings, Import and Export go
// through profile files and leave the dialog open. Main thread only.
class CustomDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CustomDialog(const EditorContext& context = {}, QWidget* parent = nullptr);
    ~CustomDialog() override;

    void setProfile(const ScanProfile& profile);
    ScanProfile profile() const;

    // The user's own prescan: when given, a check box lets the previews use it in place
    // of the sample pictures (off at first). A null picture hides the check box.
    void setPrescanPicture(const QImage& picture);

    MicroSides* slidesPage() const { return m_slides; }
    Film135* filmPage() const { return m_film; }

public slots:
    void save();
    void importProfile();
    void exportProfile();

private:
    // The dialog's profile with both pages' settings and the mode of the radios.
    ScanProfile editedProfile() const;
    void usePrescanPicture(bool on);

    std::unique_ptr<Ui::CustomDialog> m_ui;
    EditorContext m_context;
    ScanProfile m_profile;
    MicroSides* m_slides = nullptr;
    Film135* m_film = nullptr;
    QSignalMapper* m_modeMapper = nullptr;
    QImage m_prescan;
};
