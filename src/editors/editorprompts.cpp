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

void EditorPrompts::warning(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

void EditorPrompts::information(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

bool EditorPrompts::question(QWidget* parent, const QString& title, const QString& text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString EditorPrompts::openFileIn(
    QWidget* parent, const QString& caption, const QString& start, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, start, filter);
}

EditorPrompts* EditorPrompts::native()
{
    static EditorPrompts prompts;
    return &prompts;
}
