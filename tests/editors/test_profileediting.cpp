#include "customdialog.h"
#include "editorfixtures.h"
#include "film135.h"
#include "manager.h"
#include "microsides.h"
#include "preferencesdialog.h"
#include "processingsteps.h"
#include "profileediting.h"
#include "profileprocessingoptions.h"
#include "scriptedprompts.h"
#include "stimage.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace
{

// Acts on the modal dialog of type T once it runs; the flag says it was found.
template <typename T> void whenShown(std::function<void(T*)> act, bool* found)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, found] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            *found = true;
            act(dialog);
        }
    });
    poll->start();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void click(QWidget* parent, const char* name)
{
    auto* button = parent->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY(button != nullptr);
    button->click();
}

} // namespace

class TestProfileEditing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        manager::instance()->initProfiles();
    }

    void cleanupTestCase() { manager::release(); }

    void acceptedEditStoresTheSlotAndItsFile()
    {
        manager& data = *manager::instance();
        bool shown = false;
        whenShown<CustomDialog>(
            [](CustomDialog* dialog) {
                QCOMPARE(dialog->font().pixelSize(), 12);
                auto* description
                    = dialog->slidesPage()->findChild<QLineEdit*>(QStringLiteral("lineEdit_Descriptor"));
                description->setText(QStringLiteral("Kidney"));
                click(dialog->slidesPage(), "pushButton_save");
            },
            &shown);
        ScriptedPrompts prompts;
        const ProfileEditing::Outcome outcome
            = ProfileEditing::editCustomSlot(data, 6, QImage(), { nullptr, 0, &prompts });
        QVERIFY(shown);
        QVERIFY(outcome.accepted);
        QVERIFY(outcome.stored);
        QVERIFY(prompts.errors.isEmpty());
        QCOMPARE(data.profile(6).description(), QStringLiteral("Kidney"));
        ScanProfile onDisk;
        QVERIFY(onDisk.load(manager::customProfilePath(6)));
        QCOMPARE(onDisk.slideSettings().description, QStringLiteral("Kidney"));
    }

    void rejectedEditChangesNothing()
    {
        manager& data = *manager::instance();
        const ScanProfile before = data.profile(7);
        const QByteArray file = readAll(manager::customProfilePath(7));
        QVERIFY(!file.isEmpty());
        bool shown = false;
        whenShown<CustomDialog>(
            [](CustomDialog* dialog) {
                dialog->slidesPage()
                    ->findChild<QLineEdit*>(QStringLiteral("lineEdit_Descriptor"))
                    ->setText(QStringLiteral("Not kept"));
                click(dialog->filmPage(), "pushButton_cancel");
            },
            &shown);
        const ProfileEditing::Outcome outcome = ProfileEditing::editCustomSlot(data, 7);
        QVERIFY(shown);
        QVERIFY(!outcome.accepted);
        QCOMPARE(data.profile(7), before);
        QCOMPARE(readAll(manager::customProfilePath(7)), file);
    }

    // The slot keeps the edit in memory and the user learns which file failed.
    void unwritableSlotFileIsTold()
    {
        manager& data = *manager::instance();
        const QString path = manager::customProfilePath(8);
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path)); // a folder where the file should be
        bool shown = false;
        whenShown<CustomDialog>(
            [](CustomDialog* dialog) {
                dialog->slidesPage()
                    ->findChild<QLineEdit*>(QStringLiteral("lineEdit_Descriptor"))
                    ->setText(QStringLiteral("Memory only"));
                click(dialog->slidesPage(), "pushButton_save");
            },
            &shown);
        ScriptedPrompts prompts;
        const ProfileEditing::Outcome outcome
            = ProfileEditing::editCustomSlot(data, 8, QImage(), { nullptr, 0, &prompts });
        QVERIFY(shown);
        QVERIFY(outcome.accepted);
        QVERIFY(!outcome.stored);
        QCOMPARE(prompts.errors.size(), 1);
        QVERIFY(prompts.errors.first().startsWith(QLatin1String("Error|")));
        QVERIFY2(prompts.errors.first().contains(QDir::toNativeSeparators(path)),
            qPrintable(prompts.errors.first()));
        QCOMPARE(data.profile(8).description(), QStringLiteral("Memory only"));
        QVERIFY(QDir(path).removeRecursively());
    }

    void prescanIsOfferedToTheEditor()
    {
        manager& data = *manager::instance();
        QImage prescan(431, 287, QImage::Format_RGB888);
        prescan.fill(Qt::darkCyan);
        bool shown = false;
        bool offered = false;
        whenShown<CustomDialog>(
            [&offered](CustomDialog* dialog) {
                auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("checkBox_prescanPreview"));
                offered = box != nullptr && box->isVisible() && !box->isChecked();
                click(dialog->slidesPage(), "pushButton_cancel");
            },
            &shown);
        ProfileEditing::editCustomSlot(data, 9, prescan);
        QVERIFY(shown);
        QVERIFY(offered);
    }

    // Preferences write the current mode's output settings into the slot; a default
    // slot has no file of its own to write.
    void preferencesStoreTheCurrentModesSettings()
    {
        manager& data = *manager::instance();
        const ScanProfile before = data.profile(3);
        QCOMPARE(before.mode(), int(ScanProfile::FilmMode));
        bool shown = false;
        whenShown<PreferencesDialog>(
            [](PreferencesDialog* dialog) {
                QCOMPARE(dialog->font().pixelSize(), 12);
                dialog->findChild<QLineEdit*>(QStringLiteral("lineEdit_directory"))->clear();
                dialog->findChild<QLineEdit*>(QStringLiteral("lineEdit_prefixFilename"))
                    ->setText(QStringLiteral("Roll"));
                click(dialog, "pushButton_save");
            },
            &shown);
        const ProfileEditing::Outcome outcome = ProfileEditing::editPreferences(data, 3);
        QVERIFY(shown);
        QVERIFY(outcome.accepted && outcome.stored);
        const ScanProfile after = data.profile(3);
        QCOMPARE(after.slideSettings(), before.slideSettings());
        QCOMPARE(after.filmSettings().prefix, QStringLiteral("Roll"));
        QCOMPARE(after.filmSettings().directory, QString());
        QCOMPARE(after.filmSettings().description, before.filmSettings().description);
        // The empty folder stands for the Pictures folder when the next scan is named.
        QCOMPARE(QFileInfo(after.nextOutputPath()).absolutePath(), manager::picturesFolder());
        QCOMPARE(QFileInfo(after.nextOutputPath()).fileName(), QStringLiteral("Roll0001.tif"));

        bool cancelShown = false;
        whenShown<PreferencesDialog>(
            [](PreferencesDialog* dialog) { click(dialog, "pushButton_cancel"); }, &cancelShown);
        QVERIFY(!ProfileEditing::editPreferences(data, 3).accepted);
        QVERIFY(cancelShown);
        QCOMPARE(data.profile(3), after);
    }

    // The editors' own development of a prescan leaves the shared object's tables,
    // which the final scan will use, as the real prescan left them.
    void uncorrectedPrescanLeavesTheSharedTables()
    {
        manager& data = *manager::instance();
        STImage prescan = STImage::zeroed(120, 80, 16, 3);
        for (std::uint32_t y = 0; y < prescan.height(); ++y)
            for (std::uint32_t x = 0; x < prescan.width(); ++x)
                for (int c = 0; c < 3; ++c)
                    prescan.setSample(x, y, c, quint16((x * 500 + y * 300 + c * 4000) % 60000));
        const ScanProfile profile = data.profile(0);
        STImage shared = prescan;
        data.processing()->runPrescan(shared, profileProcessingOptions(profile, 82));
        const auto gamma = data.processing()->gammaTables();
        const auto contrast = data.processing()->autoContrastTables();

        const QImage picture = ProfileEditing::uncorrectedPrescan(data, prescan, profile);
        QCOMPARE(picture.size(), QSize(120, 80));
        QCOMPARE(data.processing()->gammaTables().valid, gamma.valid);
        QVERIFY(data.processing()->gammaTables().red == gamma.red);
        QCOMPARE(data.processing()->autoContrastTables().valid, contrast.valid);
        QVERIFY(data.processing()->autoContrastTables().green == contrast.green);
        QVERIFY(ProfileEditing::uncorrectedPrescan(data, STImage(), profile).isNull());
    }
};

QTEST_MAIN(TestProfileEditing)
#include "test_profileediting.moc"
