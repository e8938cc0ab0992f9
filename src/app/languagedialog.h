#pragma once

#include "ui_languagedialog.h"

#include <QDialog>

class QListWidgetItem;

// The list of interface languages, shown on a start without a stored choice.
// Threads: main thread.
class LanguageDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LanguageDialog(QWidget* parent = nullptr);
    ~LanguageDialog() override;

    void setLanguages(const QStringList& names);
    // Makes row index current, as the language shown when the question comes again.
    void setCurrentLanguage(int index);
    int selectedLanguage() const { return m_selected; }

public slots:
    void itemDoubleClicked(QListWidgetItem* item);
    void on_buttonBox_accepted();
    void on_buttonBox_rejected();

private:
    Ui::LanguageDialog m_ui;
    int m_selected = 0;
};
