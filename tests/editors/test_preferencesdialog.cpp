#include "editorfixtures.h"
#include "preferencesdialog.h"
#include "scriptedprompts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace
{

template <typename T> T* child(QWidget* parent, const char* name)
{
    auto* found = parent->findChild<T*>(QLatin1String(name));
    Q_ASSERT(found != nullptr);
    return found;
}

} // namespace

class TestPreferencesDialog : public QObject
{
    Q_OBJECT

private slots:
    void showsTheCurrentModesSettings_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("slides") << 0;
        QTest::newRow("film") << 1;
    }

    void showsTheCurrentModesSettings()
    {
        QFETCH(int, mode);
        PreferencesDialog dialog;
        dialog.setProfile(sampleProfile(mode));
        const bool film = mode == 1;
        // The samples differ in every output field, so each row shows which side was read.
        QCOMPARE(child<QRadioButton>(&dialog, "radioButton_normal")->isChecked(), !film);
        QCOMPARE(child<QRadioButton>(&dialog, "radioButton_16bit")->isChecked(), film);
        QCOMPARE(child<QRadioButton>(&dialog, "radioButton_tiff")->isChecked(), film);
        QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_directory")->text(),
            film ? sampleFilm().directory : sampleSlides().directory);
        QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_prefixFilename")->text(),
            film ? sampleFilm().prefix : sampleSlides().prefix);
        QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_directory")->cursorPosition(), 0);
    }

    // Only the output fields of the current mode change; the other settings and the
    // mode come back as they went in.
    void changesOnlyTheCurrentMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("slides") << 0;
        QTest::newRow("film") << 1;
    }

    void changesOnlyTheCurrentMode()
    {
        QFETCH(int, mode);
        PreferencesDialog dialog;
        const ScanProfile original = sampleProfile(mode);
        dialog.setProfile(original);
        child<QRadioButton>(&dialog, "radioButton_quality")->click();
        child<QRadioButton>(&dialog, "radioButton_8bit")->click();
        child<QRadioButton>(&dialog, "radioButton_jpeg")->click();
        child<QLineEdit>(&dialog, "lineEdit_directory")->setText(QStringLiteral("/elsewhere"));
        child<QLineEdit>(&dialog, "lineEdit_prefixFilename")->setText(QStringLiteral("Scan"));
        child<QPushButton>(&dialog, "pushButton_save")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        const ScanProfile edited = dialog.profile();
        QCOMPARE(edited.mode(), mode);
        QCOMPARE(edited.resolution(), 0);
        QCOMPARE(edited.colourDepth(), 1);
        QCOMPARE(edited.fileFormat(), 1);
        QCOMPARE(edited.directory(), QStringLiteral("/elsewhere"));
        QCOMPARE(edited.prefix(), QStringLiteral("Scan"));
        if (mode == 0) {
            QCOMPARE(edited.filmSettings(), original.filmSettings());
            SlideSettings expected = original.slideSettings();
            expected.resolution = 0;
            expected.colourDepth = 1;
            expected.fileFormat = 1;
            expected.directory = QStringLiteral("/elsewhere");
            expected.prefix = QStringLiteral("Scan");
            QCOMPARE(edited.slideSettings(), expected);
        } else {
            QCOMPARE(edited.slideSettings(), original.slideSettings());
            FilmSettings expected = original.filmSettings();
            expected.colourDepth = 1;
            expected.fileFormat = 1;
            expected.directory = QStringLiteral("/elsewhere");
            expected.prefix = QStringLiteral("Scan");
            QCOMPARE(edited.filmSettings(), expected);
        }
    }

    void emptyPrefixKeepsTheFieldAndEmptyDirectoryClearsIt()
    {
        PreferencesDialog dialog;
        ScanProfile profile = sampleProfile(0);
        SlideSettings slide = profile.slideSettings();
        slide.prefix.clear();
        slide.directory.clear();
        profile.setSlideSettings(slide);
        child<QLineEdit>(&dialog, "lineEdit_directory")->setText(QStringLiteral("/before"));
        dialog.setProfile(profile);
        QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_prefixFilename")->text(), QStringLiteral("image"));
        QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_directory")->text(), QString());
        QCOMPARE(dialog.profile().prefix(), QStringLiteral("image"));
        QCOMPARE(dialog.profile().directory(), QString());
    }

    void refusedPrefixIsNotShown()
    {
        PreferencesDialog dialog;
        ScanProfile profile = sampleProfile(1);
        FilmSettings film = profile.filmSettings();
        film.prefix = QStringLiteral("a/../../b");
        profile.setFilmSettings(film);
        dialog.setProfile(profile);
        QCOMPARE(dialog.profile().prefix(), QStringLiteral("image"));
        auto* prefix = child<QLineEdit>(&dialog, "lineEdit_prefixFilename");
        prefix->clear();
        QTest::keyClicks(prefix, QStringLiteral("x:y|z"));
        QCOMPARE(prefix->text(), QStringLiteral("xyz"));
    }

    void cancelIsNotAccepted()
    {
        PreferencesDialog dialog;
        dialog.setProfile(sampleProfile(0));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        child<QPushButton>(&dialog, "pushButton_cancel")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    void browse()
    {
        ScriptedPrompts prompts;
        PreferencesDialog dialog({ nullptr, 0, &prompts });
        dialog.setProfile(sampleProfile(0));
        child<QPushButton>(&dialog, "pushButton_browse")->click();
        QCOMPARE(prompts.captions, QStringList { QStringLiteral("Select directory for save") });
        QCOMPARE(prompts.starts, QStringList { sampleSlides().directory });
        QCOMPARE(dialog.profile().directory(), sampleSlides().directory);
        prompts.answer = QStringLiteral("/picked");
        child<QPushButton>(&dialog, "pushButton_browse")->click();
        QCOMPARE(dialog.profile().directory(), QStringLiteral("/picked"));
    }
};

QTEST_MAIN(TestPreferencesDialog)
#include "test_preferencesdialog.moc"
