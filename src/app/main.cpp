#include "singleapplication.h"
#include "startup.h"

int main(int argc, char* argv[])
{
    // Before the application object exists, so that its plugins are found too.
    QCoreApplication::addLibraryPath(QStringLiteral("./plugins"));
    {
        SingleApplication app(argc, argv, QStringLiteral("KorvaneLock"));
        // Lets a Wayland desktop match the window to the installed menu entry and its icon.
        QGuiApplication::setDesktopFileName(QStringLiteral("org.korvane.Korvane"));
        Startup::run(app);
    }
    return 0;
}
