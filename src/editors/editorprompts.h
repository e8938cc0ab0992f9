#pragma once

#include <QString>

class QWidget;

// The file and folder choosers and the message boxes of the windows. They ask through
// this object, so that a test can answer in place of the user; the base class shows
// the platform's dialogs.
class EditorPrompts
{
public:
    virtual ~EditorPrompts() = default;

    // Folders only; empty when cancelled.
    virtual QString directory(QWidget* parent, const QString& caption, const QString& start);
    virtual QString saveFileName(
        QWidget* parent, const QString& caption, const QString& suggested, const QString& filter);
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& filter);
    // Message boxes with one OK button.
    virtual void critical(QWidget* parent, const QString& title, const QString& text);
    virtual void warning(QWidget* parent, const QString& title, const QString& text);
    virtual void information(QWidget* parent, const QString& title, const QString& text);
    // Yes and No; true for Yes.
    virtual bool question(QWidget* parent, const QString& title, const QString& text);
    // Opens with start, filtered.
    virtual QString openFileIn(
        QWidget* parent, const QString& caption, const QString& start, const QString& filter);

    // The shared instance that shows the real dialogs.
    static EditorPrompts* native();
};

class ProcessingSteps;

// What an editor is handed from outside: the processing object of its filter preview
// (not owned; null shows the pictures unfiltered), the scanner model whose parameter
// files the analyses read, and the prompts (null: the native ones).
struct EditorContext {
    ProcessingSteps* processing = nullptr;
    int modelCode = 0;
    EditorPrompts* prompts = nullptr;

    EditorPrompts* promptsOrNative() const { return prompts != nullptr ? prompts : EditorPrompts::native(); }
};
