#pragma once

#include "editorprompts.h"

#include <QStringList>

// Answers the editors' choosers in place of the user and records what was asked.
class ScriptedPrompts : public EditorPrompts
{
public:
    QString answer; // the chosen folder or file; empty: cancelled
    QStringList captions;
    QStringList starts; // start folders or suggested names
    QStringList filters;
    QStringList errors; // "title|text" of each critical box

    QString directory(QWidget*, const QString& caption, const QString& start) override
    {
        captions << caption;
        starts << start;
        return answer;
    }
    QString saveFileName(
        QWidget*, const QString& caption, const QString& suggested, const QString& filter) override
    {
        captions << caption;
        starts << suggested;
        filters << filter;
        return answer;
    }
    QString openFileName(QWidget*, const QString& caption, const QString& filter) override
    {
        captions << caption;
        filters << filter;
        return answer;
    }
    void critical(QWidget*, const QString& title, const QString& text) override
    {
        errors << title + QLatin1Char('|') + text;
    }
};
