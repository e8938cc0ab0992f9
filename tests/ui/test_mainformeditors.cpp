// The main form's "Preference..." and "Custom 1"-"Custom 5" buttons against the
// simulated scanner: the slot each edits, accepted versus rejected, the captions, the
// information panel, the prescan reprocessed for the current mode, and a scan landing
// where an edited profile says.
#include "informationpanel.h"
#include "mainform.h"
#include "notifydialog.h"
#include "prescanprocessing.h"

#include <customdialog.h>
#include <film135.h>
#include <manager.h>
#include <microsides.h>
#include <preferencesdialog.h>
#include <processingsteps.h>
#include <scannersdk.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "managerlink.h"
#include "simulatorsettings.h"

#include <functional>

namespace
{

constexpr int kWaitMs = 30000;

bool sameImage(const STImage& a, const STImage& b)
{
    return a.width() == b.width() && a.height() == b.height() && a.byteCount() == b.byteCount()
        && std::equal(a.data(), a.data() + a.byteCount(), b.data());
}

// Answers the editors when they run modally; wait dialogs are left to their results
// and message boxes are noted and closed.
class EditorWatcher : public QObject
{
public:
    EditorWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, &EditorWatcher::poll);
        m_timer.start(5);
    }

    std::function<void(CustomDialog*)> onCustom;
    std::function<void(PreferencesDialog*)> onPreferences;
    int editorsSeen = 0;
    QStringList boxes;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->text();
            box->accept();
        } else if (auto* custom = qobject_cast<CustomDialog*>(modal)) {
            ++editorsSeen;
            if (onCustom)
                onCustom(custom);
            custom->close(); // not accepted unless the handler saved
        } else if (auto* preferences = qobject_cast<PreferencesDialog*>(modal)) {
            ++editorsSeen;
            if (onPreferences)
                onPreferences(preferences);
            preferences->close();
        }
    }

    QTimer m_timer;
};

template <typename T> T* childOf(QWidget* parent, const char* name)
{
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

} // namespace

class TestMainFormEditors : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_state.isValid());
        SimulatorSettings::reset(m_state.path().toUtf8().constData());
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        manager::instance()->initProfiles();
        m_form = std::make_unique<MainForm>();
        m_form->resize(1000, 600);
        m_form->show();
        m_results = linkManagerToSimulator(kWaitMs);
        QVERIFY(m_results);
    }

    void cleanupTestCase()
    {
        m_form.reset();
        m_results.reset();
        manager::release();
    }

    // Each button edits its own slot; an accepted edit renames the button, the
    // current mode stays as it was.
    void customButtonsEditTheirSlot_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("slot");
        QTest::newRow("Custom 1") << QStringLiteral("pushButton_Custom1") << 5;
        QTest::newRow("Custom 3") << QStringLiteral("pushButton_Custom3") << 7;
        QTest::newRow("Custom 5") << QStringLiteral("pushButton_Custom5") << 9;
    }

    void customButtonsEditTheirSlot()
    {
        QFETCH(QString, button);
        QFETCH(int, slot);
        const QString name = QStringLiteral("Slot %1").arg(slot);
        EditorWatcher watcher;
        int shownSlotMode = -1;
        watcher.onCustom = [&](CustomDialog* dialog) {
            shownSlotMode = dialog->profile().mode();
            childOf<QLineEdit>(dialog->slidesPage(), "lineEdit_Descriptor")->setText(name);
            childOf<QPushButton>(dialog->slidesPage(), "pushButton_save")->click();
        };
        const int mode = m_form->mode();
        childOf<QPushButton>(m_form.get(), button.toLatin1().constData())->click();
        QCOMPARE(watcher.editorsSeen, 1);
        QCOMPARE(shownSlotMode, manager::instance()->profile(slot).mode());
        QCOMPARE(manager::instance()->profile(slot).description(), name);
        QCOMPARE(childOf<QPushButton>(m_form.get(), button.toLatin1().constData())->text(), name);
        QCOMPARE(m_form->mode(), mode);
        QVERIFY(watcher.boxes.isEmpty());
    }

    void rejectedEditChangesNothing()
    {
        const ScanProfile before = manager::instance()->profile(6);
        const QString caption = childOf<QPushButton>(m_form.get(), "pushButton_Custom2")->text();
        EditorWatcher watcher;
        watcher.onCustom = [](CustomDialog* dialog) {
            childOf<QLineEdit>(dialog->slidesPage(), "lineEdit_Descriptor")
                ->setText(QStringLiteral("Dropped"));
            childOf<QPushButton>(dialog->slidesPage(), "pushButton_cancel")->click();
        };
        childOf<QPushButton>(m_form.get(), "pushButton_Custom2")->click();
        QCOMPARE(watcher.editorsSeen, 1);
        QCOMPARE(manager::instance()->profile(6), before);
        QCOMPARE(childOf<QPushButton>(m_form.get(), "pushButton_Custom2")->text(), caption);
    }

    // Editing the current mode's slot redraws the panel and reprocesses the prescan;
    // the editor offers that prescan as its picture.
    void editingTheCurrentModeReprocesses()
    {
        childOf<QRadioButton>(m_form.get(), "radioButton__Custom4")->click();
        QCOMPARE(m_form->mode(), 8);
        QSignalSpy arrived(m_results.get(), &WorkerSignals::preScan);
        childOf<QPushButton>(m_form.get(), "preScan")->click();
        QVERIFY(arrived.count() == 1 || arrived.wait(kWaitMs));
        QVERIFY(m_form->hasPrescan());
        const STImage before = m_form->processedImage();

        EditorWatcher watcher;
        bool offered = false;
        watcher.onCustom = [&offered](CustomDialog* dialog) {
            auto* box = childOf<QCheckBox>(dialog, "checkBox_prescanPreview");
            offered = box->isVisible() && !box->isChecked();
            childOf<QRadioButton>(dialog, "radioButton_Slides")->click();
            childOf<QSlider>(dialog->slidesPage(), "horizontalSlider_brightness")->setValue(60);
            childOf<QRadioButton>(dialog->slidesPage(), "radioButton_Common")->click();
            childOf<QPushButton>(dialog->slidesPage(), "pushButton_save")->click();
        };
        childOf<QPushButton>(m_form.get(), "pushButton_Custom4")->click();
        QCOMPARE(watcher.editorsSeen, 1);
        QVERIFY(offered);
        const ScanProfile edited = manager::instance()->profile(8);
        QCOMPARE(edited.mode(), int(ScanProfile::SlideMode));
        QCOMPARE(edited.saturation(), -38);
        QCOMPARE(childOf<QSlider>(m_form.get(), "horizontalSlider_brightness")->value(), 26);
        const STImage expected = PrescanProcessing::reprocess(
            m_form->prescanImage(), edited, 82, *manager::instance()->processing());
        QVERIFY(sameImage(m_form->processedImage(), expected));
        QVERIFY(!sameImage(m_form->processedImage(), before));
    }

    // Preferences edit the current mode; an empty folder sends the next scan to the
    // Pictures folder, where the panel's folder label says.
    void preferencesAndTheNextScan()
    {
        childOf<QRadioButton>(m_form.get(), "radioButton_Positive")->click();
        QCOMPARE(m_form->mode(), 3);
        const ScanProfile slides = manager::instance()->profile(0);
        EditorWatcher watcher;
        watcher.onPreferences = [](PreferencesDialog* dialog) {
            childOf<QLineEdit>(dialog, "lineEdit_directory")->clear();
            childOf<QLineEdit>(dialog, "lineEdit_prefixFilename")->setText(QStringLiteral("Roll"));
            childOf<QRadioButton>(dialog, "radioButton_jpeg")->click();
            childOf<QRadioButton>(dialog, "radioButton_8bit")->click();
            childOf<QPushButton>(dialog, "pushButton_save")->click();
        };
        childOf<QPushButton>(m_form.get(), "pushButton_Preference")->click();
        QCOMPARE(watcher.editorsSeen, 1);
        const ScanProfile film = manager::instance()->profile(3);
        QCOMPARE(film.fileFormat(), 1);
        QCOMPARE(film.directory(), QString());
        QCOMPARE(manager::instance()->profile(0), slides);
        QCOMPARE(childOf<QLabel>(m_form.get(), "label_FileFormat")->text(),
            InformationPanel(film).fileFormatText());

        QSignalSpy saved(m_results.get(), &WorkerSignals::scanImage);
        childOf<QPushButton>(m_form.get(), "Scan")->click();
        QVERIFY(saved.count() == 1 || saved.wait(kWaitMs));
        const QString path = saved.at(0).at(0).toString();
        QCOMPARE(QFileInfo(path).absolutePath(), manager::picturesFolder());
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("Roll0001.jpg"));
        QVERIFY(QFileInfo(path).size() > 0);
        QVERIFY(watcher.boxes.isEmpty());

        // A cancelled Preferences changes nothing.
        watcher.onPreferences = [](PreferencesDialog* dialog) {
            childOf<QRadioButton>(dialog, "radioButton_tiff")->click();
            childOf<QPushButton>(dialog, "pushButton_cancel")->click();
        };
        childOf<QPushButton>(m_form.get(), "pushButton_Preference")->click();
        QCOMPARE(watcher.editorsSeen, 2);
        QCOMPARE(manager::instance()->profile(3), film);
    }

private:
    QTemporaryDir m_state;
    std::unique_ptr<MainForm> m_form;
    std::unique_ptr<WorkerSignals> m_results;
};

QTEST_MAIN(TestMainFormEditors)
#include "test_mainformeditors.moc"
