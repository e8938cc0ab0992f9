#include "singleapplication.h"
#include "startup.h"

int main(int argc, char* argv[])
{
    // Before the application object exists, so that its plugins are found too.
    QCoreApplication::addLibraryPath(QStringLiteral("./plugins"));
    {
        SingleApplication app(argc, argv, QStringLiteral("KorvaneLock"));
        Startup::run(app);
    }
    return 0;
}
