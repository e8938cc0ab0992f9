// Pictures of the profile editor's two pages and of the preferences dialog, as a new
// user first sees them (the Custom 1 profile, the sample pictures), for the README.
//
//   korvane_editorshots <folder>
//
// Run with HOME pointing at a scratch folder: the manager writes its profile files
// there. docs/screenshots/make-editor-screenshots.sh does both.

#include <customdialog.h>
#include <manager.h>
#include <preferencesdialog.h>
#include <profileediting.h>

#include <QApplication>
#include <QDir>
#include <QRadioButton>
#include <QStyleFactory>

#include <cstdio>

namespace
{

bool shoot(QWidget* window, const QString& path)
{
    window->show();
    QApplication::processEvents();
    const bool saved = window->grab().save(path);
    if (!saved)
        std::fprintf(stderr, "korvane_editorshots: cannot write %s\n", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (application.arguments().size() != 2) {
        std::fprintf(stderr, "usage: korvane_editorshots <folder>\n");
        return 2;
    }
    const QDir folder(application.arguments().at(1));
    // The parameter files of the previews' analyses, as the program finds them.
    QDir::setCurrent(QStringLiteral(KORVANE_APP_DIR));
    manager* data = manager::instance();
    data->initProfiles();
    const EditorContext context = ProfileEditing::applicationContext(*data);

    bool ok = true;
    {
        CustomDialog dialog(context);
        QFont font = dialog.font();
        font.setPixelSize(12);
        dialog.setFont(font);
        dialog.setProfile(data->profile(manager::kFirstCustomSlot));
        ok &= shoot(&dialog, folder.filePath(QStringLiteral("editor-slides.png")));
        dialog.findChild<QRadioButton*>(QStringLiteral("radioButton_Film"))->click();
        ok &= shoot(&dialog, folder.filePath(QStringLiteral("editor-film.png")));
    }
    {
        PreferencesDialog dialog(context);
        QFont font = dialog.font();
        font.setPixelSize(12);
        dialog.setFont(font);
        dialog.setProfile(data->profile(0));
        ok &= shoot(&dialog, folder.filePath(QStringLiteral("preferences.png")));
    }
    manager::release();
    return ok ? 0 : 1;
}
