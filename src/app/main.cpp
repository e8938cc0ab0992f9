#include "commandline.h"
#include "singleapplication.h"
#include "startup.h"

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine line = CommandLine::parse(arguments);
    if (line.action() != CommandLine::Action::Run)
        return line.answer(argc, argv);

    // Before the application object exists, so that its plugins are found too.
    QCoreApplication::addLibraryPath(QStringLiteral("./plugins"));
    {
        SingleApplication app(argc, argv, QStringLiteral("KorvaneLock"));
        // Lets a Wayland desktop match the window to the installed menu entry and its icon.
        QGuiApplication::setDesktopFileName(QStringLiteral("org.korvane.Korvane"));
        Startup::run(app, line.scanner());
    }
    return 0;
}
