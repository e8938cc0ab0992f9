#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;

// The main window's titles that tell which service mode is on. The dialogs set them
// as they open and close, each by its own rule (the engineer dialog's close always
// gives the plain title, the adjust dialog's keeps RAW mode in it).
class ServiceTitles
{
    Q_DECLARE_TR_FUNCTIONS(ServiceTitles)

public:
    enum Title { Plain, RawMode, EngineerMode, RawAndEngineerMode };

    static QString text(Title title);

    // Sets the title of the window that holds widget (the main window of a service
    // dialog); nothing when there is none.
    static void setFor(QWidget* widget, Title title);
    // Gives window the title last set for it again, in the language now installed (the
    // plain one when none was set), since the window's own form knows only its default.
    static void retranslate(QWidget* window);

    // Retranslates a service window's form but keeps the window's title, which its main
    // window sets, and the status line, which changes language with the next status.
    template <typename Window, typename Form> static void retranslateServiceForm(Window* window, Form& form)
    {
        const QString title = window->windowTitle();
        const QString message = form.label_message->text();
        form.retranslateUi(window);
        window->setWindowTitle(title);
        form.label_message->setText(message);
    }
};
