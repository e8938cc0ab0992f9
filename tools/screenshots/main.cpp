// Pictures of every window a user meets, drawn offscreen with the real classes against the
// simulated scanner, for the user manual and the README:
//
//   korvane_screenshots [--language de] <folder>
//
// The main window is driven through its buttons and the mouse as a user would drive it:
// the negative mode, a prescan, a crop frame dragged over the preview and adjusted by a
// handle, the final scan. Message boxes are the ones the program itself raises on that
// road, answered by a watcher; only start-up's link failure is built from its text.
// With --language the German translation is loaded and only the pictures the README
// shows in both languages are drawn, named "de-<name>.png".
//
// Run from a folder that holds the device library, the data and the translator folder.
// The tool sets HOME to a temporary folder of its own, where the profiles, the scans and
// the scanner's memory go, so a build never touches the builder's files.

#include "modalwatcher.h"

#include <formlook.h>

#include <aboutdialog.h>
#include <adjustdialog.h>
#include <customdialog.h>
#include <engineerdialog.h>
#include <fwupdatedialog.h>
#include <languagedialog.h>
#include <levelspanel.h>
#include <mainform.h>
#include <mainwindow.h>
#include <manager.h>
#include <notifydialog.h>
#include <preferencesdialog.h>
#include <profileediting.h>
#include <scannerdialog.h>
#include <scannerlinking.h>
#include <scannerlist.h>
#include <scannersdk.h>
#include <scannerview.h>
#include <scanningstate.h>
#include <startup.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyleFactory>
#include <QToolButton>

#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace
{

constexpr int kLinkMs = 60000;
// A prescan or scan that never ends would hang the build; the whole run takes seconds.
constexpr int kWatchdogMs = 300000;
constexpr int kAnswerMs = 10000;

// Runs the event loop until done() holds or the time is up; false on time-out.
bool runUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void settle()
{
    for (int round = 0; round < 5; ++round)
        QApplication::processEvents();
}

// The dialogs of the program get the main window's 12-pixel font, as it gives them.
void useProgramFont(QWidget* widget)
{
    widget->setFont(FormLook::formFont(widget->font()));
}

template <typename T> T* child(QWidget* parent, const char* name)
{
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("korvane_screenshots: no widget %s", name);
    return widget;
}

void mouse(QWidget* target, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Drags a frame over the inner part of the picture, then pulls its right edge in by its
// middle handle, as a user draws and adjusts a frame.
bool drawCropFrame(ScannerView* view)
{
    QRectF picture;
    const QList<QGraphicsItem*> items = view->previewScene()->items();
    for (QGraphicsItem* item : items)
        if (dynamic_cast<QGraphicsPixmapItem*>(item))
            picture = item->sceneBoundingRect();
    if (picture.isEmpty())
        return false;
    const QRect shown = view->mapFromScene(picture).boundingRect() & view->viewport()->rect();
    const QRect frame
        = shown.adjusted(shown.width() / 8, shown.height() / 8, -shown.width() / 10, -shown.height() / 5);
    QWidget* viewport = view->viewport();
    mouse(viewport, QEvent::MouseButtonPress, frame.topLeft(), Qt::LeftButton);
    mouse(viewport, QEvent::MouseMove, frame.center(), Qt::LeftButton);
    mouse(viewport, QEvent::MouseMove, frame.bottomRight(), Qt::LeftButton);
    mouse(viewport, QEvent::MouseButtonRelease, frame.bottomRight(), Qt::NoButton);
    settle();
    if (view->cropRect().isEmpty())
        return false;
    const QPoint handle(frame.right(), frame.center().y());
    const QPoint pulled = handle - QPoint(shown.width() / 20, 0);
    mouse(viewport, QEvent::MouseButtonPress, handle, Qt::LeftButton);
    mouse(viewport, QEvent::MouseMove, pulled, Qt::LeftButton);
    mouse(viewport, QEvent::MouseButtonRelease, pulled, Qt::NoButton);
    settle();
    return !view->cropRect().isEmpty();
}

// The German translation, as start-up installs it for a user who chose Deutsch.
bool installGerman(QApplication& application, manager* data)
{
    if (!data->loadLanguageMap())
        return false;
    const QStringList names = data->languageNames();
    for (int index = 0; index < names.size(); ++index) {
        if (data->languageFile(index).endsWith(QStringLiteral("_de.qm"))) {
            if (!data->translator()->load(data->languageFile(index)))
                return false;
            application.installTranslator(data->translator());
            return true;
        }
    }
    return false;
}

class Session
{
public:
    Session(const QDir& folder, bool german)
        : m_german(german)
        , m_watcher(folder)
    {
    }

    bool failed() const { return m_failed; }

    void check(bool ok, const char* what)
    {
        if (!ok) {
            std::fprintf(stderr, "korvane_screenshots: %s\n", what);
            m_failed = true;
        }
    }

    void save(QWidget* window, const QString& name, bool alsoGerman = false)
    {
        if (m_german && !alsoGerman)
            return;
        settle();
        check(m_watcher.save(window, picture(name)), "a picture could not be written");
    }

    QString picture(const QString& name) const { return m_german ? QStringLiteral("de-") + name : name; }

    // Runs step, which opens modal windows, and checks that each expected one was drawn.
    void modal(const std::function<void()>& step)
    {
        step();
        // A result the worker sends after the wait dialog has gone raises its box later.
        runUntil([this] { return m_watcher.allSeen(); }, kAnswerMs);
        settle();
        const QStringList missing = m_watcher.takeMissing();
        for (const QString& name : missing)
            std::fprintf(stderr, "korvane_screenshots: no window appeared for %s\n", qPrintable(name));
        m_failed |= !missing.isEmpty();
        // A box nobody expected is the program telling of a fault on the road.
        for (const QString& text : m_watcher.takeUnexpected())
            check(false, qPrintable(QStringLiteral("unexpected message: ") + text));
    }

    void expectBox(const QString& name) { m_watcher.expectBox(picture(name)); }
    void expectWait(const QString& name, bool cancel = false) { m_watcher.expectWait(picture(name), cancel); }

    void startUp(manager* data);
    void mainWindow(MainWindow& window);
    // The histogram and levels beside the window, a white point pulled in; reset after.
    void levels(MainForm* form);
    void editors(manager* data);
    void serviceWindows(MainWindow& window, manager* data);
    void messages(MainWindow& window);

private:
    bool m_german = false;
    bool m_failed = false;
    ModalWatcher m_watcher;
};

void Session::startUp(manager* data)
{
    if (m_german)
        return;
    LanguageDialog language;
    language.setWindowTitle(Startup::tr("Korvane"));
    check(data->loadLanguageMap(), "the language map did not load");
    language.setLanguages(data->languageNames());
    language.show();
    save(&language, QStringLiteral("language"));

    ScannerDialog scanners;
    scanners.setWindowTitle(Startup::tr("Korvane"));
    // As it looks with SANE's test device found beside the simulated scanner.
    scanners.setScanners({ ScannerList::simulator(),
                             ScannerEntry { QStringLiteral("test:0"), QStringLiteral("Noname"),
                                 QStringLiteral("frontend-tester"), QStringLiteral("virtual device") } },
        ScannerList::simulator().name);
    scanners.show();
    save(&scanners, QStringLiteral("scanner-choice"));

    NotifyDialog wait;
    wait.setWindowTitle(Startup::tr("Korvane"));
    wait.setMessage(ScannerLinking::tr("Initialize scanner. Please wait"));
    for (int tick = 0; tick < 4; ++tick)
        wait.timeArrival();
    wait.show();
    save(&wait, QStringLiteral("wait-link"));
}

void Session::mainWindow(MainWindow& window)
{
    MainForm* form = window.mainForm();
    save(&window, QStringLiteral("main-start"));

    child<QRadioButton>(form, "radioButton_Negative")->click();
    if (!m_german)
        expectWait(QStringLiteral("wait-prescan"));
    modal([form] { child<QPushButton>(form, "preScan")->click(); });
    check(form->hasPrescan(), "the prescan brought no picture");
    auto* view = child<ScannerView>(form, "scannerView");
    save(&window, QStringLiteral("main-prescan"), true);
    if (!m_german)
        levels(form);

    check(drawCropFrame(view), "no crop frame could be drawn");
    save(&window, QStringLiteral("main-frame"));
    save(view, QStringLiteral("preview-frame"));

    if (!m_german)
        expectWait(QStringLiteral("wait-scan"));
    modal([form] { child<QPushButton>(form, "Scan")->click(); });
    check(!form->savedFile().isEmpty(), "the final scan saved no file");
    save(&window, QStringLiteral("main-scanned"), true);

    // The ruler over the zoomed preview.
    child<QCheckBox>(form, "checkBox_archScale")->click();
    child<QToolButton>(form, "button_zoomIn")->click();
    save(view, QStringLiteral("preview-ruler"));
    child<QToolButton>(form, "button_zoomOut")->click();
}

void Session::levels(MainForm* form)
{
    child<QToolButton>(form, "button_levels")->click();
    QWidget* tool = form->levelsWindow();
    check(tool->isVisible(), "the levels window did not open");
    for (QSpinBox* box : tool->findChildren<QSpinBox*>()) {
        if (box->accessibleName() == LevelsPanel::tr("White point"))
            box->setValue(215);
    }
    check(!form->state().levels().isNeutral(), "the white point did not reach the levels");
    settle();
    check(m_watcher.saveBeside(form->window(), tool, QStringLiteral("main-levels")),
        "a picture could not be written");
    for (QPushButton* button : tool->findChildren<QPushButton*>()) {
        if (button->text() == LevelsPanel::tr("Reset"))
            button->click();
    }
    check(form->state().levels().isNeutral(), "Reset left levels");
    tool->hide();
}

void Session::editors(manager* data)
{
    const EditorContext context = ProfileEditing::applicationContext(*data);
    {
        CustomDialog dialog(context);
        useProgramFont(&dialog);
        dialog.setProfile(data->profile(manager::kFirstCustomSlot));
        dialog.show();
        save(&dialog, QStringLiteral("editor-slides"));
        child<QRadioButton>(&dialog, "radioButton_Film")->click();
        save(&dialog, QStringLiteral("editor-film"), true);
    }
    {
        PreferencesDialog dialog(context);
        useProgramFont(&dialog);
        dialog.setProfile(data->profile(4));
        dialog.show();
        save(&dialog, QStringLiteral("preferences"));
    }
}

void Session::serviceWindows(MainWindow& window, manager* data)
{
    if (m_german)
        return;
    {
        FWUpdateDialog dialog(data->scanner(), data->firmwareVersion(), &window);
        useProgramFont(&dialog);
        dialog.show();
        save(&dialog, QStringLiteral("firmware"));
    }
    {
        AboutDialog dialog(data->scanner(), data->firmwareVersion(), data->hardwareVersion(), &window);
        dialog.setScanner(ScannerList::simulator().label());
        dialog.show();
        save(&dialog, QStringLiteral("about"));
    }
    EngineerDialog* engineer = window.engineerDialog();
    window.openEngineer();
    check(runUntil([engineer] { return engineer->hasRecord(); }, kAnswerMs),
        "the engineer window got no answer from the scanner");
    save(engineer, QStringLiteral("engineer"));
    window.openEngineer();

    window.openAdjust();
    save(window.adjustDialog(), QStringLiteral("adjust"));
    window.openAdjust();
}

void Session::messages(MainWindow& window)
{
    if (m_german)
        return;
    MainForm* form = window.mainForm();
    // The question that guards a prescan from closing; answered No.
    expectBox(QStringLiteral("message-exit"));
    modal([&window] { window.close(); });

    // A prescan cancelled in its wait dialog.
    expectWait(QStringLiteral("wait-prescan-cancelled"), true);
    expectBox(QStringLiteral("message-prescan-cancelled"));
    modal([form] { child<QPushButton>(form, "preScan")->click(); });

    // What start-up says when no scanner answers; start-up cannot be run here.
    QMessageBox failed(QMessageBox::Critical, Startup::tr("Korvane"),
        Startup::tr("Connect with Kor scanner fail !"), QMessageBox::Ok);
    failed.show();
    save(&failed, QStringLiteral("message-link"));
}

} // namespace

// Everything the program keeps in the user's folders goes to a scratch home.
void useScratchHome(const QTemporaryDir& home)
{
    const QByteArray path = QFile::encodeName(home.path());
    qputenv("HOME", path);
    qputenv("XDG_CONFIG_HOME", path + "/.config");
    qputenv("XDG_DATA_HOME", path + "/.local/share");
    qunsetenv("KORVANE_SIM_STATE_DIR");
}

// The offscreen platform warns about every window it shows; nothing to act on here.
void quietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

int main(int argc, char* argv[])
{
    const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/korvane-home-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "korvane_screenshots: cannot make a scratch home folder\n");
        return 1;
    }
    useScratchHome(home);
    // Each block of scanned lines takes a moment, so that the cancel of the cancelled
    // prescan always lands inside it; without it a fast prescan could end first.
    qputenv("KORVANE_SIM_BLOCK_DELAY_MS", "300");
    qInstallMessageHandler(quietOffscreenWarnings);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // As the program's start-up does: every window in the forms' 12-pixel font.
    QApplication::setFont(FormLook::formFont(QApplication::font()));
    QStringList arguments = application.arguments().mid(1);
    const bool german = arguments.size() == 3 && arguments.at(0) == QLatin1String("--language")
        && arguments.at(1) == QLatin1String("de");
    if (german)
        arguments = arguments.mid(2);
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: korvane_screenshots [--language de] <folder>\n");
        return 2;
    }
    const QDir folder(arguments.at(0));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "korvane_screenshots: cannot make %s\n", qPrintable(folder.path()));
        return 1;
    }
    QTimer::singleShot(kWatchdogMs, [] {
        std::fprintf(stderr, "korvane_screenshots: gave up after %d s\n", kWatchdogMs / 1000);
        std::_Exit(1);
    });
    // The parameter and film-term files of the analyses, as the program finds them.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    manager* data = manager::instance();
    Session session(folder, german);
    if (german)
        session.check(installGerman(application, data), "the German translation did not load");
    // After the language: the slots' texts are translated.
    data->initProfiles();

    session.startUp(data);
    {
        MainWindow window;
        useProgramFont(&window);
        window.setWindowTitle(Startup::tr("Korvane"));
        manager::instance(&window);
        ScannerSDK* worker = data->scanner();
        bool linked = false;
        QObject::connect(worker, &ScannerSDK::scannerLinkReady_s, &window, [&linked] { linked = true; });
        worker->startLink();
        session.check(runUntil([&linked] { return linked; }, kLinkMs), "the simulated scanner did not link");
        window.show();
        window.activateWindow();
        settle();
        if (linked) {
            session.mainWindow(window);
            session.editors(data);
            session.serviceWindows(window, data);
            session.messages(window);
        }
        // The worker goes first: it still has signals connected to the window.
        manager::release();
    }
    return session.failed() ? 1 : 0;
}
