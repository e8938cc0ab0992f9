// The main form against the simulated scanner: modes, prescan, the processed preview,
// brightness, the preview tools, the levels, scan, failures, the scan key and the device record.
// The watcher answers every box for the user and notes the boxes and wait dialogs.
#include "../image/imagetesthelpers.h"
#include "informationpanel.h"
#include "levelspanel.h"
#include "mainform.h"
#include "notifydialog.h"
#include "prescanprocessing.h"
#include "previewgeometry.h"
#include "ruleritem.h"
#include "scannerview.h"
#include "scanningstate.h"

#include <devicerecord.h>
#include <editorprompts.h>
#include <imagefilesize.h>
#include <levelstables.h>
#include <manager.h>
#include <nvascanner.h>
#include <processingsteps.h>
#include <scannersdk.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>

#include "managerlink.h"
#include "simulatorsettings.h"

#include <atomic>
#include <functional>

namespace
{

constexpr int kWaitMs = 30000;
// Slow enough that a cancel lands inside the prescan, fast enough for many scans.
constexpr int kBlockDelayMs = 800;

struct Seen {
    QString kind; // "box" or "wait"
    QString title;
    QString text;
    bool formWaiting = false; // whether a wait dialog was open when a box came
};

// Answers the form's boxes at once and notes them; notes its wait dialogs and leaves
// them running (or cancels them when asked), so the form's exec() calls return.
class ModalWatcher : public QObject, public EditorPrompts
{
public:
    explicit ModalWatcher(MainForm* form)
        : m_form(form)
    {
        form->setPrompts(this);
        connect(form, &MainForm::waitStarted, this, &ModalWatcher::waitStarted);
    }
    ~ModalWatcher() override { m_form->setPrompts(nullptr); }

    QList<Seen> seen;
    // Milliseconds after which a wait dialog is cancelled; -1 never.
    int cancelAfterMs = -1;
    // Called once for each wait dialog as it starts.
    std::function<void(NotifyDialog*)> onWait;
    // The highest progress a wait dialog showed.
    int maxProgress = -1;

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const Seen& s : seen)
            if (s.kind == QLatin1String("box"))
                texts << s.text;
        return texts;
    }
    QStringList waitTitles() const
    {
        QStringList titles;
        for (const Seen& s : seen)
            if (s.kind == QLatin1String("wait"))
                titles << s.title;
        return titles;
    }

    void critical(QWidget*, const QString& title, const QString& text) override { box(title, text); }
    void warning(QWidget*, const QString& title, const QString& text) override { box(title, text); }
    void information(QWidget*, const QString& title, const QString& text) override { box(title, text); }

private:
    void box(const QString& title, const QString& text)
    {
        seen.append({ QStringLiteral("box"), title, text, m_form->isWaiting() });
    }

    void waitStarted(NotifyDialog* wait)
    {
        seen.append({ QStringLiteral("wait"), wait->windowTitle(), wait->messageText(), true });
        // Connected after the form's own: the dialog has taken the value when this runs.
        connect(manager::instance()->scanner(), &ScannerSDK::scannerRequestProgress_s, wait,
            [this, wait] { maxProgress = qMax(maxProgress, wait->progress()); });
        if (cancelAfterMs >= 0) {
            QPointer<NotifyDialog> target(wait);
            QTimer::singleShot(cancelAfterMs, this, [target] {
                if (target)
                    target->on_pushButton_cancel_clicked();
            });
        }
        if (onWait)
            onWait(wait);
    }

    MainForm* m_form;
};

QImage shownImage(ScannerView* view)
{
    const QList<QGraphicsItem*> items = view->previewScene()->items();
    for (QGraphicsItem* item : items)
        if (auto* pixmap = dynamic_cast<QGraphicsPixmapItem*>(item))
            return pixmap->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
    return QImage();
}

bool sameImage(const STImage& a, const STImage& b)
{
    return a.width() == b.width() && a.height() == b.height() && a.bitsPerSample() == b.bitsPerSample()
        && a.byteCount() == b.byteCount() && std::equal(a.data(), a.data() + a.byteCount(), b.data());
}

// The preview as the form should show it, in the format shownImage() compares in.
QImage expectedPreview(const STImage& image, double zoom = 1.0, int rotation = 0)
{
    return PreviewGeometry::previewImage(image, zoom, rotation, false, false)
        .convertToFormat(QImage::Format_RGB888);
}

QString plainText(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

// The profile with its slide scans going to folder.
ScanProfile withSlideFolder(ScanProfile profile, const QString& folder)
{
    SlideSettings slide = profile.slideSettings();
    slide.directory = folder;
    profile.setSlideSettings(slide);
    return profile;
}

} // namespace

// Records the URLs the desktop is asked to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    // Before any prescan.
    void modeBeforePrescan_data();
    void modeBeforePrescan();
    void toolsWaitForAPrescan();
    void keyboardAndScreenReaders();
    void customCaptions();
    void multipassNeedsAPrescan();

    void prescanShowsTheProcessedImage_data();
    void prescanShowsTheProcessedImage();
    void modeChangeReprocesses();
    void brightnessNeverAccumulates();
    void previewTools();
    void rulerAndClear();
    void cancelledPrescanIsToldAfterTheDialog();
    void outcomesNoDialogWaitsFor_data();
    void outcomesNoDialogWaitsFor();
    void lateResultOfACancelledScan();
    void scanKeyIgnoredWhileWaiting();
    void scanKeyScansAndTheResultIsShown();
    void resultFromTheFileHeader();
    void unsavedScanIsToldAsAFailure();
    void folderGoneAfterThePrescan();
    void deviceRecord_data();
    void deviceRecord();
    void openFileLocation();

    void levelsButtonOpensThePanel();
    void levelsReachThePreview();
    void modeKeepsItsLevels();
    void scanSavesWhatThePreviewShows();

private:
    ScannerView* view() const { return m_form->findChild<ScannerView*>(QStringLiteral("scannerView")); }
    template <typename T> T* child(const char* name) const
    {
        T* widget = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    QString labelText(const char* name) const { return child<QLabel>(name)->text(); }
    QSpinBox* levelsSpinBox(const QString& name) const
    {
        for (QSpinBox* box : m_form->levelsPanel()->findChildren<QSpinBox*>())
            if (box->accessibleName() == name)
                return box;
        qFatal("no spin box %s", qPrintable(name));
        return nullptr;
    }
    // Clicks Prescan; false when no image came.
    bool prescan();
    // The worker's saved file and its outcome, of a request no dialog waits for.
    void deliverScan(const QString& path);
    ScannerSDK* worker() const { return manager::instance()->scanner(); }

    QTemporaryDir m_state;
    std::unique_ptr<MainForm> m_form;
    std::unique_ptr<ModalWatcher> m_watcher;
    std::unique_ptr<WorkerSignals> m_results;
};

void TestMainForm::initTestCase()
{
    QVERIFY(m_state.isValid());
    SimulatorSettings::reset(m_state.path().toUtf8().constData());
    qputenv("KORVANE_SIM_BLOCK_DELAY_MS", QByteArray::number(kBlockDelayMs));
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    manager::instance()->initProfiles();
    // Built before the link, as in the program, so that it receives the device record.
    m_form = std::make_unique<MainForm>();
    m_form->resize(1000, 600);
    m_form->show();
    m_watcher = std::make_unique<ModalWatcher>(m_form.get());
    m_results = linkManagerToSimulator(kWaitMs);
    QVERIFY(m_results);
    QTRY_COMPARE_WITH_TIMEOUT(DeviceRecord::modelCode(m_form->deviceInformation()), 82, 5000);
}

void TestMainForm::cleanupTestCase()
{
    m_watcher.reset();
    m_form.reset();
    m_results.reset();
    manager::release();
}

void TestMainForm::cleanup()
{
    m_watcher->seen.clear();
    m_watcher->cancelAfterMs = -1;
    m_watcher->onWait = nullptr;
    m_watcher->maxProgress = -1;
    manager::instance()->processing()->setProgress({});
    // Later tests compare the preview with the pipeline's picture alone.
    manager* data = manager::instance();
    for (int mode = 0; mode < MainForm::kModeCount; ++mode) {
        ScanProfile profile = data->profile(mode);
        if (!profile.levels().isNeutral()) {
            profile.setLevels(LevelsSettings());
            data->setProfile(mode, profile);
        }
    }
    m_form->state().setLevels(LevelsSettings());
}

bool TestMainForm::prescan()
{
    QSignalSpy arrived(m_results.get(), &WorkerSignals::preScan);
    QTest::mouseClick(child<QPushButton>("preScan"), Qt::LeftButton);
    // The dialog closes on the result, so it has arrived once the click returns.
    return arrived.count() == 1 && m_form->hasPrescan();
}

void TestMainForm::deliverScan(const QString& path)
{
    emit worker()->scannerScanImage_s(path);
    RequestOutcome outcome;
    outcome.serial = 1000000;
    outcome.kind = ScannerSDK::RequestScan;
    emit worker()->scannerRequestEnded_s(outcome);
}

void TestMainForm::modeBeforePrescan_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("depthPattern");
    QTest::newRow("common things") << "radioButton_Common" << 1 << "^Color Depth: (8|16) bit$";
    QTest::newRow("negative film") << "radioButton_Negative" << 4 << "^Color Depth: (8|16)bit$";
    QTest::newRow("custom 3") << "radioButton__Custom3" << 7 << "^Color Depth: (8|16) bit$";
    QTest::newRow("tissue sections") << "radioButton_Tissue" << 0 << "^Color Depth: (8|16) bit$";
}

// Choosing a mode before a prescan only updates the panel; nothing is processed.
void TestMainForm::modeBeforePrescan()
{
    QFETCH(QString, button);
    QFETCH(int, mode);
    QFETCH(QString, depthPattern);
    auto* radio = child<QRadioButton>(button.toLatin1().constData());
    QTest::mouseClick(radio, Qt::LeftButton);
    QCOMPARE(m_form->mode(), mode);
    QVERIFY(radio->isChecked());
    QVERIFY(QRegularExpression(depthPattern).match(labelText("label_colorDepth")).hasMatch());
    const ScanProfile profile = manager::instance()->profile(mode);
    QVERIFY(labelText("label_Resolution").startsWith(QStringLiteral("Image Resolution: ")));
    QCOMPARE(labelText("label_suggested"), profile.suggestedText());
    QCOMPARE(child<QSlider>("horizontalSlider_brightness")->value(), profile.brightness());
    QVERIFY(!view()->hasImage());
    QVERIFY(m_form->processedImage().isNull());
    const ProcessingSteps* steps = manager::instance()->processing();
    QVERIFY(!steps->gammaTables().valid && !steps->autoContrastTables().valid);
    QVERIFY(m_watcher->seen.isEmpty());
}

void TestMainForm::toolsWaitForAPrescan()
{
    for (const char* name : { "button_zoomIn", "button_zoomOut", "button_rotateLeft90",
             "button_rotateRight90", "button_flipHorizontal", "button_flipVertical" })
        QTest::mouseClick(child<QToolButton>(name), Qt::LeftButton);
    QCOMPARE(m_form->transformState().zoomFactor, 1.0);
    QCOMPARE(m_form->transformState().rotationAngle, 0);
    QVERIFY(m_form->transformState().operationHistory.isEmpty());
    QVERIFY(!view()->hasImage());
    QVERIFY(child<QGroupBox>("groupBox_TimeLapse")->isHidden());
}

void TestMainForm::keyboardAndScreenReaders()
{
    const QList<QToolButton*> tools = child<QGroupBox>("groupBox_2")->findChildren<QToolButton*>();
    QCOMPARE(tools.size(), 8);
    for (QToolButton* tool : tools) {
        QVERIFY2(!tool->accessibleName().isEmpty(), qPrintable(tool->objectName()));
        QCOMPARE(tool->accessibleName(), plainText(tool->toolTip()));
    }
    auto* group = m_form->findChild<QButtonGroup*>();
    QVERIFY(group);
    QCOMPARE(group->buttons().size(), MainForm::kModeCount);
    QCOMPARE(group->id(child<QRadioButton>("radioButton_Negative")), 4);
    QCOMPARE(group->id(child<QRadioButton>("radioButton__Custom5")), 9);
    // The captionless custom radio buttons are named after their profiles.
    QCOMPARE(child<QRadioButton>("radioButton__Custom1")->accessibleName(),
        manager::instance()->profile(5).description());

    // Every visible control is in the Tab chain.
    QSet<QWidget*> chain;
    for (QWidget* w = m_form->nextInFocusChain(); w != m_form.get(); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            chain.insert(w);
    // The modes are one stop, at the checked one; arrows move between them.
    const QList<QWidget*> controls = m_form->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        auto* radio = qobject_cast<QRadioButton*>(control);
        const bool isControl
            = qobject_cast<QAbstractButton*>(control) || qobject_cast<QSlider*>(control) || control == view();
        if (isControl && control->isVisibleTo(m_form.get()) && (!radio || radio->isChecked()))
            QVERIFY2(chain.contains(control), qPrintable(control->objectName()));
    }

    auto* tissue = child<QRadioButton>("radioButton_Tissue");
    QVERIFY(tissue->isChecked());
    QApplication::setActiveWindow(m_form.get());
    tissue->setFocus();
    QTest::keyClick(tissue, Qt::Key_Down);
    QVERIFY(child<QRadioButton>("radioButton_Common")->isChecked());
    QCOMPARE(m_form->mode(), 1);
    QTest::keyClick(child<QRadioButton>("radioButton_Common"), Qt::Key_Up);
    QCOMPARE(m_form->mode(), 0);

    // A screen reader's toggle action checks the button without a click; the mode follows.
    auto* negative = child<QRadioButton>("radioButton_Negative");
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(negative);
    QVERIFY(accessible && accessible->actionInterface());
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QTRY_COMPARE_WITH_TIMEOUT(m_form->mode(), 4, 2000);
    QCOMPARE(labelText("label_suggested"), manager::instance()->profile(4).suggestedText());
}

// A description wider than 80 pixels is cut with an ellipsis on its button.
void TestMainForm::customCaptions()
{
    manager* data = manager::instance();
    const ScanProfile original = data->profile(6);
    ScanProfile longer = original;
    SlideSettings slide = longer.slideSettings();
    slide.description = QStringLiteral("Diatoms from the northern pond, autumn series");
    longer.setSlideSettings(slide);
    FilmSettings film = longer.filmSettings();
    film.description = slide.description;
    longer.setFilmSettings(film);
    QVERIFY(data->setProfile(6, longer));
    {
        MainForm form;
        // The captions follow the font; the program's window sets 12 pixels.
        QFont font = form.font();
        font.setPixelSize(12);
        form.setFont(font);
        auto* button = form.findChild<QPushButton*>(QStringLiteral("pushButton_Custom2"));
        QVERIFY(button);
        QVERIFY2(button->text().endsWith(QChar(0x2026)), qPrintable(button->text()));
        QVERIFY(slide.description.startsWith(button->text().chopped(1)));
        QVERIFY(form.fontMetrics().horizontalAdvance(button->text()) <= InformationPanel::kCaptionWidth);
        QCOMPARE(button->toolTip(), slide.description);
        auto* other = form.findChild<QPushButton*>(QStringLiteral("pushButton_Custom1"));
        QCOMPARE(other->text(), QStringLiteral("Custom 1"));
    }
    QVERIFY(data->setProfile(6, original));
}

void TestMainForm::multipassNeedsAPrescan()
{
    manager* data = manager::instance();
    const ScanProfile original = data->profile(0);
    ScanProfile multipass = original;
    SlideSettings slide = multipass.slideSettings();
    slide.multipass.enable = true;
    multipass.setSlideSettings(slide);
    QVERIFY(data->setProfile(0, multipass));
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("Scan"), Qt::LeftButton);
    QTRY_COMPARE(m_watcher->boxTexts(),
        QStringList { QStringLiteral("Please Prescan before using Multipass Xposure function.") });
    QCOMPARE(m_watcher->seen.first().title, QStringLiteral("Korvane"));
    QVERIFY(m_watcher->waitTitles().isEmpty());
    QCOMPARE(worker()->request(), int(ScannerSDK::RequestPoll));
    QVERIFY(data->setProfile(0, original));
}

void TestMainForm::prescanShowsTheProcessedImage_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("mode");
    QTest::newRow("tissue sections") << "radioButton_Tissue" << 0;
    QTest::newRow("negative film") << "radioButton_Negative" << 4;
}

void TestMainForm::prescanShowsTheProcessedImage()
{
    QFETCH(QString, button);
    QFETCH(int, mode);
    QTest::mouseClick(child<QRadioButton>(button.toLatin1().constData()), Qt::LeftButton);
    QVERIFY(prescan());
    QCOMPARE(m_watcher->waitTitles(), QStringList { QStringLiteral("Prescan") });
    QVERIFY(m_watcher->seen.first().text.startsWith(QStringLiteral("Prescaning. Please wait")));
    QVERIFY(m_watcher->boxTexts().isEmpty());

    const STImage raw = m_form->prescanImage();
    QVERIFY(raw.width() >= 430 && raw.height() >= 286);
    // The form's image is the pipeline of the chosen mode for the linked model.
    const STImage expected = PrescanProcessing::reprocess(
        raw, manager::instance()->profile(mode), 82, *manager::instance()->processing());
    QVERIFY(sameImage(m_form->processedImage(), expected));
    QVERIFY(!sameImage(m_form->processedImage(), raw));
    const int brightness = child<QSlider>("horizontalSlider_brightness")->value();
    const STImage lit
        = PrescanProcessing::withBrightness(expected, brightness, *manager::instance()->processing());
    QCOMPARE(shownImage(view()), expectedPreview(lit));
}

void TestMainForm::modeChangeReprocesses()
{
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);
    QVERIFY(prescan());
    const STImage slide = m_form->processedImage();
    QTest::mouseClick(child<QRadioButton>("radioButton_Positive"), Qt::LeftButton);
    QCOMPARE(m_form->mode(), 3);
    const STImage film = m_form->processedImage();
    QVERIFY(!sameImage(film, slide));
    QVERIFY(sameImage(film,
        PrescanProcessing::reprocess(m_form->prescanImage(), manager::instance()->profile(3), 82,
            *manager::instance()->processing())));
    QCOMPARE(shownImage(view()).size(), QSize(int(film.width()), int(film.height())));
}

void TestMainForm::brightnessNeverAccumulates()
{
    if (!m_form->hasPrescan())
        QVERIFY(prescan());
    auto* slider = child<QSlider>("horizontalSlider_brightness");
    slider->setValue(0);
    const STImage processed = m_form->processedImage();
    const QImage plain = shownImage(view());
    QCOMPARE(plain, expectedPreview(processed));

    slider->setValue(20);
    QCOMPARE(labelText("label_Brightness"), QStringLiteral("Brightness : 20"));
    QCOMPARE(slider->toolTip(), QStringLiteral("20"));
    const QImage brighter = shownImage(view());
    QVERIFY(brighter != plain);
    QVERIFY(sameImage(m_form->processedImage(), processed));

    slider->setValue(0);
    QCOMPARE(shownImage(view()), plain);
    QCOMPARE(labelText("label_Brightness"), QStringLiteral("Brightness : 0"));
}

void TestMainForm::previewTools()
{
    QVERIFY(prescan());
    const QSize size(int(m_form->processedImage().width()), int(m_form->processedImage().height()));
    QCOMPARE(shownImage(view()).size(), size);
    QTest::mouseClick(child<QToolButton>("button_zoomIn"), Qt::LeftButton);
    QCOMPARE(shownImage(view()).size(), QSize(int(size.width() * 1.1), int(size.height() * 1.1)));
    QCOMPARE(view()->pixelsPerInch(), 330.0f);
    QTest::mouseClick(child<QToolButton>("button_rotateLeft90"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("button_flipHorizontal"), Qt::LeftButton);
    QCOMPARE(shownImage(view()).size(), QSize(int(size.height() * 1.1), int(size.width() * 1.1)));
    QCOMPARE(m_form->transformState().operationHistory, (QVector<int> { 2, 1 }));

    // A new prescan starts from the plain view again.
    QVERIFY(prescan());
    QCOMPARE(m_form->transformState().zoomFactor, 1.0);
    QCOMPARE(m_form->transformState().rotationAngle, 0);
    QVERIFY(!m_form->transformState().mirrorHorizontal);
    QVERIFY(m_form->transformState().operationHistory.isEmpty());
    QCOMPARE(shownImage(view()).size(), size);
    QCOMPARE(view()->pixelsPerInch(), 300.0f);
}

void TestMainForm::rulerAndClear()
{
    auto* scale = child<QCheckBox>("checkBox_archScale");
    QTest::mouseClick(scale, Qt::LeftButton);
    QVERIFY(scale->isChecked());
    QVERIFY(view()->rulerItem());
    QTest::mouseClick(scale, Qt::LeftButton);
    QVERIFY(view()->rulerItem() && !view()->rulerItem()->scene());
    QTest::mouseClick(scale, Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("button_clearObject"), Qt::LeftButton);
    QVERIFY(!scale->isChecked());
    QVERIFY(!view()->rulerItem());
}

// The user's cancel is told once the worker's empty image arrives, after the wait
// dialog has gone; the prescan held before stays.
void TestMainForm::cancelledPrescanIsToldAfterTheDialog()
{
    if (!m_form->hasPrescan())
        QVERIFY(prescan());
    const STImage before = m_form->prescanImage();
    // Inside the first block of lines: the worker picks a request up within 500 ms.
    m_watcher->cancelAfterMs = 700;
    QSignalSpy arrived(m_results.get(), &WorkerSignals::preScan);
    QSignalSpy ended(m_results.get(), &WorkerSignals::ended);
    QTest::mouseClick(child<QPushButton>("preScan"), Qt::LeftButton);
    QVERIFY(arrived.count() == 1 || arrived.wait(kWaitMs));
    QVERIFY(arrived.at(0).at(0).value<STImage>().isNull());
    // The outcome follows; it must not reach the next test.
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(int(ended.at(0).at(0).value<RequestOutcome>().result), int(RequestOutcome::Cancelled));
    QTRY_COMPARE(
        m_watcher->boxTexts(), QStringList { QStringLiteral("Cancel this action of prescan by user.") });
    const Seen box = m_watcher->seen.last();
    QCOMPARE(box.title, QStringLiteral("Korvane"));
    QVERIFY(!box.formWaiting);
    QVERIFY(sameImage(m_form->prescanImage(), before));
}

void TestMainForm::outcomesNoDialogWaitsFor_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("boxes");
    const QString reason = QStringLiteral("The file could not be written: the folder is read-only.");
    QTest::newRow("scan failure") << 1 << int(RequestOutcome::Failed) << QStringList { reason };
    QTest::newRow("prescan failure") << 0 << int(RequestOutcome::Failed) << QStringList { reason };
    // Told when the user cancelled, not again when the handler ends.
    QTest::newRow("scan cancel") << 1 << int(RequestOutcome::Cancelled) << QStringList();
    QTest::newRow("prescan cancel") << 0 << int(RequestOutcome::Cancelled) << QStringList();
}

// The outcome of a request no dialog waits for: a failure is told, a cancel is not,
// and neither changes the prescan or the last file.
void TestMainForm::outcomesNoDialogWaitsFor()
{
    QFETCH(int, kind);
    QFETCH(int, result);
    QFETCH(QStringList, boxes);
    const QString lastFile = m_form->savedFile();
    const QString width = labelText("label_Width");
    const bool hadPrescan = m_form->hasPrescan();
    if (kind == ScannerSDK::RequestPrescan)
        emit worker()->scannerPreScan_s(STImage());
    else
        emit worker()->scannerScanImage_s(QString());
    RequestOutcome outcome;
    outcome.serial = 1000000;
    outcome.kind = kind;
    outcome.result = RequestOutcome::Result(result);
    if (outcome.result == RequestOutcome::Failed)
        outcome.message = QStringLiteral("The file could not be written: the folder is read-only.");
    emit worker()->scannerRequestEnded_s(outcome);
    QCOMPARE(m_watcher->boxTexts(), boxes);
    if (!boxes.isEmpty())
        QCOMPARE(m_watcher->seen.first().title, QStringLiteral("Korvane"));
    QCOMPARE(m_form->savedFile(), lastFile);
    QCOMPARE(labelText("label_Width"), width);
    QCOMPARE(m_form->hasPrescan(), hadPrescan);
}

// Scan, cancel once its handler is busy, and prescan before that handler has ended:
// the cancelled scan's late result neither ends nor explains the prescan's dialog, the
// preview then shows the prescan, and no file of the scan appears.
void TestMainForm::lateResultOfACancelledScan()
{
    manager* data = manager::instance();
    const ScanProfile original = data->profile(0);
    QTemporaryDir output;
    QVERIFY(output.isValid());
    QVERIFY(data->setProfile(0, withSlideFolder(original, output.path())));
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);

    // The scan's handler is held in its processing, on the worker thread, long enough
    // for the user to cancel and prescan.
    std::atomic<bool> processing { false };
    data->processing()->setProgress([&processing](const QString&) {
        if (!processing.exchange(true))
            QThread::msleep(1500);
    });
    m_watcher->onWait = [&processing](NotifyDialog* wait) {
        if (wait->windowTitle() != QLatin1String("Scan"))
            return;
        auto* poll = new QTimer(wait);
        connect(poll, &QTimer::timeout, wait, [&processing, wait] {
            if (processing.load())
                wait->on_pushButton_cancel_clicked();
        });
        poll->start(5);
    };
    QList<RequestOutcome> outcomes;
    QStringList dialogAtOutcome;
    QObject listening; // ends the connection with the test, also when it fails
    connect(m_results.get(), &WorkerSignals::ended, &listening, [&](const RequestOutcome& o) {
        outcomes << o;
        const auto* open = qobject_cast<NotifyDialog*>(QApplication::activeModalWidget());
        dialogAtOutcome << (open ? open->windowTitle() : QString());
    });
    QSignalSpy prescanned(m_results.get(), &WorkerSignals::preScan);

    QTest::mouseClick(child<QPushButton>("Scan"), Qt::LeftButton);
    QVERIFY(processing.load());
    QVERIFY2(outcomes.isEmpty(), "the scan's handler ended before the prescan was asked for");
    QTest::mouseClick(child<QPushButton>("preScan"), Qt::LeftButton);
    data->processing()->setProgress({});

    // The form's copy of the last outcome may come just before the relay's.
    QTRY_COMPARE(outcomes.size(), 2);
    QCOMPARE(outcomes.at(0).kind, int(ScannerSDK::RequestScan));
    QCOMPARE(int(outcomes.at(0).result), int(RequestOutcome::Cancelled));
    QCOMPARE(outcomes.at(1).kind, int(ScannerSDK::RequestPrescan));
    QCOMPARE(int(outcomes.at(1).result), int(RequestOutcome::Done));
    // The scan's outcome came while the prescan's dialog was up, and left it there.
    QCOMPARE(dialogAtOutcome.at(0), QStringLiteral("Prescan"));
    QCOMPARE(m_watcher->waitTitles(), (QStringList { QStringLiteral("Scan"), QStringLiteral("Prescan") }));
    QCOMPARE(m_watcher->boxTexts(), QStringList { QStringLiteral("Cancel this action of scan by user.") });
    QVERIFY(!m_form->isWaiting());
    QCOMPARE(prescanned.size(), 1);
    const STImage image = prescanned.at(0).at(0).value<STImage>();
    QVERIFY(!image.isNull());
    QVERIFY(sameImage(m_form->prescanImage(), image));
    QVERIFY(view()->hasImage());
    QVERIFY(QDir(output.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(data->setProfile(0, original));
}

// A scan key pressed while a prescan runs starts nothing on top of it.
void TestMainForm::scanKeyIgnoredWhileWaiting()
{
    int requestAfterKey = -1;
    m_watcher->onWait = [this, &requestAfterKey](NotifyDialog*) {
        if (requestAfterKey != -1)
            return;
        // A scan dialog would be cancelled at once, so a failing test still ends.
        m_watcher->cancelAfterMs = 0;
        emit worker()->scanKey_s();
        requestAfterKey = worker()->request();
    };
    QVERIFY(prescan());
    QCOMPARE(requestAfterKey, int(ScannerSDK::RequestPrescan));
    QCOMPARE(m_watcher->waitTitles(), QStringList { QStringLiteral("Prescan") });
    QVERIFY(m_watcher->boxTexts().isEmpty());
}

void TestMainForm::scanKeyScansAndTheResultIsShown()
{
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);
    QSignalSpy saved(m_results.get(), &WorkerSignals::scanImage);
    emit worker()->scanKey_s();
    QVERIFY(saved.count() == 1 || saved.wait(kWaitMs));
    QCOMPARE(m_watcher->waitTitles(), QStringList { QStringLiteral("Scan") });
    QVERIFY(m_watcher->boxTexts().isEmpty());
    // The worker's progress reached the dialog's bar.
    QVERIFY2(m_watcher->maxProgress > 0, qPrintable(QString::number(m_watcher->maxProgress)));
    const QString path = saved.at(0).at(0).toString();
    QVERIFY(!path.isEmpty());
    QCOMPARE(m_form->savedFile(), path);
    QCOMPARE(QFileInfo(path).absolutePath(),
        QFileInfo(manager::instance()->profile(0).directory()).absoluteFilePath());
    const QSize size = imageFileSize(path);
    QVERIFY(size.width() > 1000);
    QCOMPARE(labelText("label_Width"), QStringLiteral("Width: %1 pixels").arg(size.width()));
    QCOMPARE(labelText("label_Height"), QStringLiteral("Height: %1 pixels").arg(size.height()));
    QCOMPARE(labelText("label_Size"),
        QStringLiteral("Size: %1 MB").arg(QString::number(QFileInfo(path).size() / 1048576.0, 'f', 2)));
    // The resolution the file states, which a SANE scanner may have chosen itself.
    const int dpi = imageFileResolution(path);
    QVERIFY(dpi == 1800 || dpi == 3600);
    QCOMPARE(labelText("label_Resolution"), QStringLiteral("Image Resolution: %1 dpi").arg(dpi));
    // The scan took the slider's brightness and the unzoomed whole window.
    QCOMPARE(worker()->transform().scale(), 1.0);
    QCOMPARE(worker()->scanArea().width, PreviewGeometry::kWindowWidthInches);
}

void TestMainForm::resultFromTheFileHeader()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("scan0001.tif"));
    STImage image = STImage::zeroed(100, 50, 8, 3);
    QVERIFY(image.saveTiff(path));
    {
        // Padded to exactly 2,000,000 bytes; the header still says 100 x 50.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(2000000));
    }
    deliverScan(path);
    QCOMPARE(m_form->savedFile(), path);
    QCOMPARE(labelText("label_Width"), QStringLiteral("Width: 100 pixels"));
    QCOMPARE(labelText("label_Height"), QStringLiteral("Height: 50 pixels"));
    QCOMPARE(labelText("label_Size"), QStringLiteral("Size: 1.91 MB"));

    const QString text = folder.filePath(QStringLiteral("notes.tif"));
    QFile notes(text);
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("no picture");
    notes.close();
    deliverScan(text);
    QCOMPARE(labelText("label_Width"), QStringLiteral("Width: 0 pixels"));
    QCOMPARE(labelText("label_Height"), QStringLiteral("Height: 0 pixels"));
    QCOMPARE(labelText("label_Size"), QStringLiteral("Size: 0.00 MB"));
    QVERIFY(m_watcher->seen.isEmpty());
}

// A scan whose file cannot be written is a failure with its reason, not a cancel.
void TestMainForm::unsavedScanIsToldAsAFailure()
{
    manager* data = manager::instance();
    const ScanProfile original = data->profile(0);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile blocker(folder.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // Beneath a plain file no folder can be made, not even by an administrator.
    const QString output = blocker.fileName() + QStringLiteral("/scans");
    QVERIFY(data->setProfile(0, withSlideFolder(original, output)));
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);
    const QString lastFile = m_form->savedFile();

    QSignalSpy saved(m_results.get(), &WorkerSignals::scanImage);
    QTest::mouseClick(child<QPushButton>("Scan"), Qt::LeftButton);
    QVERIFY(saved.count() == 1 || saved.wait(kWaitMs));
    QTRY_COMPARE(m_watcher->boxTexts().size(), 1);
    const Seen box = m_watcher->seen.last();
    QVERIFY2(box.text != QLatin1String("Cancel this action of scan by user."), qPrintable(box.text));
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(output)), qPrintable(box.text));
    QVERIFY(!box.formWaiting);
    QCOMPARE(m_form->savedFile(), lastFile);
    QVERIFY(data->setProfile(0, original));
}

// The output folder removed between prescan and scan: the user is told what happened
// and what to do, the prescan stays, and once the folder is back the next scan saves.
void TestMainForm::folderGoneAfterThePrescan()
{
    manager* data = manager::instance();
    const ScanProfile original = data->profile(0);
    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    const QString output = parent.filePath(QStringLiteral("scans"));
    QVERIFY(QDir().mkpath(output));
    QVERIFY(data->setProfile(0, withSlideFolder(original, output)));
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);
    QVERIFY(prescan());
    const STImage prescanned = m_form->prescanImage();
    QVERIFY(QDir(output).removeRecursively());

    QSignalSpy saved(m_results.get(), &WorkerSignals::scanImage);
    QTest::mouseClick(child<QPushButton>("Scan"), Qt::LeftButton);
    QVERIFY(saved.count() == 1 || saved.wait(kWaitMs));
    QTRY_COMPARE(m_watcher->boxTexts().size(), 1);
    QCOMPARE(m_watcher->boxTexts().first(),
        QStringLiteral("The scan could not be saved in %1: the folder does not exist or cannot be written. "
                       "Choose another folder in Preference...")
            .arg(QDir::toNativeSeparators(output)));
    QVERIFY(!m_form->isWaiting());
    QVERIFY(sameImage(m_form->prescanImage(), prescanned));
    QVERIFY(!QFileInfo::exists(output));

    QVERIFY(QDir().mkpath(output));
    m_watcher->seen.clear();
    saved.clear();
    QTest::mouseClick(child<QPushButton>("Scan"), Qt::LeftButton);
    QVERIFY(saved.count() == 1 || saved.wait(kWaitMs));
    QVERIFY(m_watcher->boxTexts().isEmpty());
    QCOMPARE(m_form->savedFile(), output + QStringLiteral("/Image0001.tif"));
    QCOMPARE(QDir(output).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("Image0001.tif") });
    QVERIFY(data->setProfile(0, original));
}

void TestMainForm::deviceRecord_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("taken");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("one short") << 172 << false;
    QTest::newRow("exact") << 173 << true;
    QTest::newRow("longer") << 200 << true;
}

void TestMainForm::deviceRecord()
{
    QFETCH(int, size);
    QFETCH(bool, taken);
    const QByteArray linked = m_form->deviceInformation();
    QCOMPARE(linked.size(), DeviceRecord::infoSize());
    QByteArray record(size, '\x5a');
    for (int i = 0; i < size; ++i)
        record[i] = char(i % 251);
    m_form->scanerInquiry(record);
    const QByteArray expected = taken ? record.left(DeviceRecord::infoSize()) : linked;
    QCOMPARE(m_form->deviceInformation(), expected);
    QCOMPARE(manager::instance()->scannerInfo(), expected);
    m_form->scanerInquiry(linked);
    QCOMPARE(manager::instance()->scannerInfo(), linked);
}

void TestMainForm::openFileLocation()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    manager* data = manager::instance();
    const ScanProfile original = data->profile(m_form->mode());

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString output = folder.filePath(QStringLiteral("not yet made"));
    ScanProfile profile = original;
    SlideSettings slide = profile.slideSettings();
    slide.directory = output;
    FilmSettings film = profile.filmSettings();
    film.directory = output;
    profile.setSlideSettings(slide);
    profile.setFilmSettings(film);
    QVERIFY(data->setProfile(m_form->mode(), profile));
    QTest::mouseClick(child<QToolButton>("toolButton_OpenFileLocation"), Qt::LeftButton);
    QCOMPARE(catcher.urls, QList<QUrl> { QUrl::fromLocalFile(output) });
    QVERIFY(QFileInfo(output).isDir());
    QVERIFY(m_watcher->seen.isEmpty());

    // Beneath a plain file no folder can be made: the user is told which.
    QFile blocker(folder.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    slide.directory = blocker.fileName() + QStringLiteral("/out");
    film.directory = slide.directory;
    profile.setSlideSettings(slide);
    profile.setFilmSettings(film);
    QVERIFY(data->setProfile(m_form->mode(), profile));
    QTest::mouseClick(child<QToolButton>("toolButton_OpenFileLocation"), Qt::LeftButton);
    QTRY_COMPARE(m_watcher->boxTexts().size(), 1);
    QVERIFY(m_watcher->boxTexts().first().contains(QDir::toNativeSeparators(slide.directory)));
    QCOMPARE(catcher.urls.size(), 1);

    // No folder set: the scans go to Pictures, so that is the one opened.
    slide.directory.clear();
    film.directory.clear();
    profile.setSlideSettings(slide);
    profile.setFilmSettings(film);
    QVERIFY(data->setProfile(m_form->mode(), profile));
    QTest::mouseClick(child<QToolButton>("toolButton_OpenFileLocation"), Qt::LeftButton);
    QCOMPARE(catcher.urls.size(), 2);
    QCOMPARE(catcher.urls.last(), QUrl::fromLocalFile(manager::picturesFolder()));
    QCOMPARE(m_watcher->boxTexts().size(), 1);

    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QVERIFY(data->setProfile(m_form->mode(), original));
}

void TestMainForm::levelsButtonOpensThePanel()
{
    QWidget* window = m_form->levelsWindow();
    QVERIFY(window->isHidden());
    auto* button = child<QToolButton>("button_levels");
    QVERIFY(!button->icon().isNull());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QVERIFY(!window->isModal());
    QVERIFY(window->isAncestorOf(m_form->levelsPanel()));
    // The form stays usable beside it.
    QVERIFY(!QApplication::activeModalWidget());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_form->findChildren<LevelsPanel*>().size(), 1);
    window->hide();
}

// Typing a white point maps the preview at once and the histogram follows; with
// "show clipping" a drag's clipping picture takes the preview's place.
void TestMainForm::levelsReachThePreview()
{
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);
    QVERIFY(prescan());
    auto* slider = child<QSlider>("horizontalSlider_brightness");
    slider->setValue(10);
    const QImage plain = shownImage(view());
    const STImage lit
        = PrescanProcessing::withBrightness(m_form->processedImage(), 10, *manager::instance()->processing());
    QCOMPARE(plain, expectedPreview(lit));

    levelsSpinBox(QStringLiteral("White point"))->setValue(180);
    LevelsSettings levels;
    levels[LevelsSettings::All].white = 180;
    QCOMPARE(m_form->state().levels(), levels);
    LevelsPreview reference;
    reference.setSource(lit);
    reference.setLevels(levels);
    const QImage mapped = shownImage(view());
    QVERIFY(mapped != plain);
    QCOMPARE(mapped, expectedPreview(reference.shown()));
    QCOMPARE(m_form->levelsPanel()->preview().histogram().counts(ToneHistogram::Red),
        reference.histogram().counts(ToneHistogram::Red));

    // A brightness change goes under the levels, not instead of them.
    slider->setValue(0);
    reference.setSource(m_form->processedImage());
    QCOMPARE(shownImage(view()), expectedPreview(reference.shown()));

    // The zoom draws the same levels.
    QVERIFY(m_form->state().zoomIn());
    QCOMPARE(shownImage(view()), expectedPreview(reference.shown(), m_form->transformState().zoomFactor));
    QVERIFY(m_form->state().zoomOut());

    emit m_form->levelsPanel()->clippingChanged(LevelsPreview::WhiteClipping);
    QCOMPARE(shownImage(view()), expectedPreview(reference.clippingImage(LevelsPreview::WhiteClipping)));
    emit m_form->levelsPanel()->clippingChanged(LevelsPreview::NoClipping);
    QCOMPARE(shownImage(view()), expectedPreview(reference.shown()));
}

void TestMainForm::modeKeepsItsLevels()
{
    manager* data = manager::instance();
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);
    if (!m_form->hasPrescan())
        QVERIFY(prescan());
    levelsSpinBox(QStringLiteral("Black point"))->setValue(12);
    LevelsSettings tissue;
    tissue[LevelsSettings::All].black = 12;
    QCOMPARE(data->profile(0).levels(), tissue);

    LevelsSettings film;
    film[LevelsSettings::Green] = LevelsChannel { 5, 240, 1.2 };
    ScanProfile positive = data->profile(3);
    positive.setLevels(film);
    QVERIFY(data->setProfile(3, positive));

    QTest::mouseClick(child<QRadioButton>("radioButton_Positive"), Qt::LeftButton);
    QCOMPARE(m_form->levelsPanel()->levels(), film);
    QCOMPARE(m_form->state().levels(), film);
    QTest::mouseClick(child<QRadioButton>("radioButton_Common"), Qt::LeftButton);
    QVERIFY(m_form->levelsPanel()->levels().isNeutral());
    QCOMPARE(levelsSpinBox(QStringLiteral("Black point"))->value(), 0);
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);
    QCOMPARE(m_form->levelsPanel()->levels(), tissue);
    QCOMPARE(levelsSpinBox(QStringLiteral("Black point"))->value(), 12);

    // A new prescan keeps them, and so does the request.
    QVERIFY(prescan());
    QCOMPARE(m_form->levelsPanel()->levels(), tissue);
    const ScanRequests::Built built = m_form->state().scanRequest(QRectF(), 0);
    QVERIFY(!built.refused());
    QCOMPARE(built.request.profile.levels(), tissue);
}

// The user's story: a white point that clips, the scan through the worker and the
// simulator. The simulator's scan is not the prescan enlarged (its own sampling and
// grain), so the file is held to the preview on each channel's mean, and the levels to
// exactly the mapping the preview used: the scan with them is the neutral scan mapped.
void TestMainForm::scanSavesWhatThePreviewShows()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    manager* data = manager::instance();
    ScanProfile profile = withSlideFolder(data->profile(0), folder.path());
    SlideSettings slide = profile.slideSettings();
    slide.resolution = int(ScanProfile::Resolution::Normal);
    slide.colourDepth = int(ScanProfile::ColourDepth::SixteenBit);
    slide.fileFormat = int(ScanProfile::FileFormat::Tiff);
    slide.multipass.enable = false;
    profile.setSlideSettings(slide);
    QVERIFY(data->setProfile(0, profile));
    QTest::mouseClick(child<QRadioButton>("radioButton_Common"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("radioButton_Tissue"), Qt::LeftButton);
    QVERIFY(prescan());
    child<QSlider>("horizontalSlider_brightness")->setValue(0);
    const LevelsPanel* panel = m_form->levelsPanel();
    const auto scan = [this] {
        QSignalSpy saved(m_results.get(), &WorkerSignals::scanImage);
        QTest::mouseClick(child<QPushButton>("Scan"), Qt::LeftButton);
        if (saved.count() != 1 && !saved.wait(kWaitMs))
            return STImage();
        const ImageTest::TiffContents file = ImageTest::readTiff(saved.at(0).at(0).toString());
        if (!file.ok || file.bitsPerSample != 16 || file.samplesPerPixel != 3)
            return STImage();
        STImage image = STImage::zeroed(file.width, file.height, 16, 3);
        std::memcpy(image.data(), file.pixels.constData(), image.byteCount());
        return image;
    };
    const STImage neutral = scan();
    QVERIFY(!neutral.isNull());

    const double clippedBefore = panel->preview().histogram().clippedWhite(ToneHistogram::Red);
    levelsSpinBox(QStringLiteral("White point"))->setValue(190);
    QVERIFY(panel->preview().histogram().clippedWhite(ToneHistogram::Red) > clippedBefore);
    const STImage preview = panel->preview().shown().to8Bit();
    const STImage levelled = scan();
    QVERIFY(!levelled.isNull());
    QVERIFY(m_watcher->boxTexts().isEmpty());

    STImage mapped = neutral;
    LevelsTables(panel->levels(), 16).apply(mapped);
    QVERIFY(sameImage(levelled, mapped));

    const STImage reduced = levelled.to8Bit().scaled(preview.width(), preview.height());
    const STImage unlevelled = neutral.to8Bit().scaled(preview.width(), preview.height());
    const auto mean = [](const STImage& image, int channel) {
        double sum = 0;
        for (std::uint32_t y = 0; y < image.height(); ++y)
            for (std::uint32_t x = 0; x < image.width(); ++x)
                sum += channel == 0 ? image.red(x, y) : channel == 1 ? image.green(x, y) : image.blue(x, y);
        return sum / (double(image.width()) * image.height());
    };
    for (int channel = 0; channel < 3; ++channel) {
        const double shown = mean(preview, channel);
        qInfo("channel %d: preview %.2f, scan %.2f, neutral scan %.2f", channel, shown,
            mean(reduced, channel), mean(unlevelled, channel));
        QVERIFY(std::abs(mean(reduced, channel) - shown) <= 1.0);
        QVERIFY(std::abs(mean(unlevelled, channel) - shown) > 5.0);
    }
}

QTEST_MAIN(TestMainForm)
#include "test_mainform.moc"
