#pragma once

#include "editorprompts.h"
#include "outputfields.h"
#include "scanprofile.h"

#include <QDialog>

#include <memory>

namespace Ui
{
class PreferencesDialog;
}

// The output settings (resolution, depth, folder, prefix, format) of the settings of
// a profile's current mode; every other field comes back as it went in. Main thread only.
class PreferencesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PreferencesDialog(const EditorContext& context = {}, QWidget* parent = nullptr);
    ~PreferencesDialog() override;

    void setProfile(const ScanProfile& profile);
    ScanProfile profile();

public slots:
    void on_pushButton_browse_clicked();
    void on_pushButton_save_clicked();
    void on_pushButton_cancel_clicked();

private:
    std::unique_ptr<Ui::PreferencesDialog> m_ui;
    std::unique_ptr<OutputFields> m_outputFields;
    EditorContext m_context;
    ScanProfile m_profile;
};
