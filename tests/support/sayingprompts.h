#pragma once

#include <editorprompts.h>

#include <QString>

#include <functional>

// Answers every box of a start-up in place of the user and hands its title and text
// on; a question is answered No.
class SayingPrompts : public EditorPrompts
{
public:
    using Say = std::function<void(const QString& title, const QString& text)>;

    explicit SayingPrompts(Say say)
        : m_say(std::move(say))
    {
    }

    void critical(QWidget*, const QString& title, const QString& text) override { m_say(title, text); }
    void warning(QWidget*, const QString& title, const QString& text) override { m_say(title, text); }
    void information(QWidget*, const QString& title, const QString& text) override { m_say(title, text); }
    bool question(QWidget*, const QString& title, const QString& text) override
    {
        m_say(title, text);
        return false;
    }

private:
    Say m_say;
};
