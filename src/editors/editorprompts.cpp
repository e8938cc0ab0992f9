#include "editorprompts.h"

#include <QFileDialog>
#include <QMessageBox>

QString EditorPrompts::directory(QWidget* parent, const QString& caption, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, caption, start, QFileDialog::ShowDirsOnly);
}

QString EditorPrompts::saveFileName(
    QWidget* parent, const QString& caption, const QString& suggested, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

QString EditorPrompts::openFileName(QWidget* parent, const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

void EditorPrompts::critical(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

EditorPrompts* EditorPrompts::native()
{
    static EditorPrompts prompts;
    return &prompts;
}
