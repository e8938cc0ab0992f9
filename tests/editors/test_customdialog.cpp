#include "customdialog.h"
#include "editorfixtures.h"
#include "film135.h"
#include "microsides.h"
#include "scriptedprompts.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <pugixml.hpp>

namespace
{

QPushButton* button(QWidget* page, const char* name)
{
    auto* found = page->findChild<QPushButton*>(QLatin1String(name));
    Q_ASSERT(found != nullptr);
    return found;
}

QRadioButton* radio(QWidget* dialog, const char* name)
{
    auto* found = dialog->findChild<QRadioButton*>(QLatin1String(name));
    Q_ASSERT(found != nullptr);
    return found;
}

int currentPage(QWidget* dialog)
{
    return dialog->findChild<QStackedWidget*>(QStringLiteral("stackedWidget"))->currentIndex();
}

// The profile without its file path, which load and save set.
ScanProfile withoutPath(ScanProfile profile)
{
    profile.setPath(QString());
    return profile;
}

} // namespace

class TestCustomDialog : public QObject
{
    Q_OBJECT

private slots:
    void setProfileShowsThePageOfTheMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("page");
        QTest::newRow("slides") << 0 << 0;
        QTest::newRow("film") << 1 << 1;
        QTest::newRow("unknown mode reads as film") << 7 << 1;
    }

    void setProfileShowsThePageOfTheMode()
    {
        QFETCH(int, mode);
        QFETCH(int, page);
        CustomDialog dialog;
        dialog.setProfile(sampleProfile(mode));
        QCOMPARE(currentPage(&dialog), page);
        QCOMPARE(radio(&dialog, "radioButton_Film")->isChecked(), page == 1);
        QCOMPARE(radio(&dialog, "radioButton_Slides")->isChecked(), page == 0);
        QCOMPARE(dialog.slidesPage()->settings(), sampleSlides());
        QCOMPARE(dialog.filmPage()->settings(), sampleFilm());
    }

    // The radios switch the page; the mode is read from them only at Save.
    void modeRadiosSwitchPagesAndSaveTakesTheMode()
    {
        CustomDialog dialog;
        dialog.setProfile(sampleProfile(0));
        radio(&dialog, "radioButton_Film")->click();
        QCOMPARE(currentPage(&dialog), 1);
        QCOMPARE(dialog.profile().mode(), 0);
        radio(&dialog, "radioButton_Slides")->click();
        QCOMPARE(currentPage(&dialog), 0);
        radio(&dialog, "radioButton_Film")->click();
        // A click on the checked mode keeps it: the pages' radios are no rivals.
        radio(&dialog, "radioButton_Film")->click();
        QVERIFY(radio(&dialog, "radioButton_Film")->isChecked());
        QVERIFY(!radio(&dialog, "radioButton_Slides")->isChecked());
        button(dialog.slidesPage(), "pushButton_save")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.profile().mode(), 1);
    }

    void saveTakesBothPages()
    {
        CustomDialog dialog;
        dialog.setProfile(ScanProfile());
        dialog.slidesPage()->setSettings(sampleSlides());
        dialog.filmPage()->setSettings(sampleFilm());
        button(dialog.filmPage(), "pushButton_save")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.profile().slideSettings(), sampleSlides());
        QCOMPARE(dialog.profile().filmSettings(), sampleFilm());
    }

    void cancelChangesNothing()
    {
        CustomDialog dialog;
        const ScanProfile original = sampleProfile(0);
        dialog.setProfile(original);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.slidesPage()->setSettings(SlideSettings());
        radio(&dialog, "radioButton_Film")->click();
        button(dialog.filmPage(), "pushButton_cancel")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.profile(), original);
    }

    void importOfFilmProfileSwitchesToFilmAndSaveKeepsSlides()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ScanProfile onDisk = sampleProfile(1);
        SlideSettings otherSlides = sampleSlides();
        otherSlides.description = QStringLiteral("From the file");
        otherSlides.saturation = { true, 77 };
        onDisk.setSlideSettings(otherSlides);
        const QString file = dir.filePath(QStringLiteral("film.kor"));
        QVERIFY(onDisk.save(file));

        ScriptedPrompts prompts;
        prompts.answer = file;
        CustomDialog dialog({ nullptr, 0, &prompts });
        dialog.setProfile(ScanProfile());
        button(dialog.slidesPage(), "pushButton_load")->click();
        QCOMPARE(prompts.captions, QStringList { QStringLiteral("Select kor Project File") });
        QCOMPARE(prompts.filters, QStringList { QStringLiteral("Kor Project(*.kor)") });
        QVERIFY(prompts.errors.isEmpty());
        QCOMPARE(currentPage(&dialog), 1);
        QVERIFY(radio(&dialog, "radioButton_Film")->isChecked());
        QCOMPARE(dialog.result(), 0); // import does not end the dialog

        button(dialog.filmPage(), "pushButton_save")->click();
        const ScanProfile saved = dialog.profile();
        QCOMPARE(saved.mode(), 1);
        QCOMPARE(saved.slideSettings(), otherSlides);
        QCOMPARE(saved.filmSettings(), sampleFilm());
    }

    void exportWritesTheRadiosModeAndBothSections()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("out.kor"));
        ScriptedPrompts prompts;
        prompts.answer = file;
        CustomDialog dialog({ nullptr, 0, &prompts });
        dialog.setProfile(sampleProfile(1));
        radio(&dialog, "radioButton_Slides")->click();
        button(dialog.slidesPage(), "pushButton_export")->click();
        QCOMPARE(prompts.captions, QStringList { QStringLiteral("Select kor project file for save") });
        QCOMPARE(prompts.starts, QStringList { QStringLiteral("Untitled.kor") });
        QVERIFY(prompts.errors.isEmpty());
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(dialog.profile().mode(), 1); // the dialog's own profile waits for Save

        pugi::xml_document document;
        QVERIFY(document.load_file(QFile::encodeName(file).constData()));
        const pugi::xml_node root = document.child("KorObject");
        QCOMPARE(root.attribute("mode").as_int(-1), 0);
        QCOMPARE(QString::fromUtf8(root.child("SlideMode").child("PrefixFilename").attribute("text").value()),
            QStringLiteral("Tissue"));
        QCOMPARE(QString::fromUtf8(root.child("FilmMode").child("PrefixFilename").attribute("text").value()),
            QStringLiteral("Holiday"));

        // Importing the file gives the same profile back.
        ScriptedPrompts importPrompts;
        importPrompts.answer = file;
        CustomDialog other({ nullptr, 0, &importPrompts });
        other.setProfile(ScanProfile());
        button(other.filmPage(), "pushButton_load")->click();
        QVERIFY(importPrompts.errors.isEmpty());
        QCOMPARE(currentPage(&other), 0);
        button(other.slidesPage(), "pushButton_save")->click();
        QCOMPARE(withoutPath(other.profile()), withoutPath(sampleProfile(0)));
    }

    void exportFailureNamesTheFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("no/such/folder/out.kor"));
        ScriptedPrompts prompts;
        prompts.answer = file;
        CustomDialog dialog({ nullptr, 0, &prompts });
        dialog.setProfile(sampleProfile(0));
        button(dialog.slidesPage(), "pushButton_export")->click();
        QCOMPARE(prompts.errors.size(), 1);
        QVERIFY(prompts.errors.first().startsWith(QLatin1String("Error|")));
        QVERIFY2(prompts.errors.first().contains(QDir::toNativeSeparators(file)),
            qPrintable(prompts.errors.first()));
        QVERIFY(!QFile::exists(file));
        QCOMPARE(dialog.result(), 0);
    }

    void cancelledChoosersDoNothing()
    {
        ScriptedPrompts prompts; // answers empty
        CustomDialog dialog({ nullptr, 0, &prompts });
        dialog.setProfile(sampleProfile(0));
        button(dialog.slidesPage(), "pushButton_load")->click();
        button(dialog.slidesPage(), "pushButton_export")->click();
        QCOMPARE(prompts.captions.size(), 2);
        QVERIFY(prompts.errors.isEmpty());
        QCOMPARE(dialog.slidesPage()->settings(), sampleSlides());
    }

    void refusedImports_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not xml") << QByteArray("hello");
        QTest::newRow("other root") << QByteArray("<?xml version=\"1.0\"?><Other/>");
        QTest::newRow("prefix leaves the folder")
            << QByteArray("<?xml version=\"1.0\"?><KorObject version=\"1.0\" mode=\"0\"><SlideMode>"
                          "<PrefixFilename text=\"../../escape\" /></SlideMode></KorObject>");
        QTest::newRow("film prefix with a colon")
            << QByteArray("<?xml version=\"1.0\"?><KorObject version=\"1.0\" mode=\"1\"><FilmMode>"
                          "<PrefixFilename text=\"C:x\" /></FilmMode></KorObject>");
    }

    void refusedImports()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("bad.kor"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
        out.close();

        ScriptedPrompts prompts;
        prompts.answer = file;
        CustomDialog dialog({ nullptr, 0, &prompts });
        dialog.setProfile(sampleProfile(0));
        button(dialog.slidesPage(), "pushButton_load")->click();
        QCOMPARE(prompts.errors, QStringList { QStringLiteral("Error|This project format is illegal") });
        QCOMPARE(currentPage(&dialog), 0);
        QCOMPARE(dialog.slidesPage()->settings(), sampleSlides());
        QCOMPARE(dialog.filmPage()->settings(), sampleFilm());
    }

    // The user's own prescan can stand in for the samples, only when asked for.
    void prescanPreviewIsOptIn()
    {
        CustomDialog dialog;
        dialog.setProfile(sampleProfile(0));
        auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("checkBox_prescanPreview"));
        QVERIFY(box != nullptr);
        QVERIFY(box->isHidden());

        QImage prescan(431, 287, QImage::Format_RGB888);
        prescan.fill(QColor(200, 10, 10));
        dialog.setPrescanPicture(prescan);
        QVERIFY(!box->isHidden());
        QVERIFY(!box->isChecked());
        QVERIFY(dialog.slidesPage()->filterPreview().before() != prescan);

        box->click();
        QCOMPARE(dialog.slidesPage()->filterPreview().before(), prescan);
        QCOMPARE(dialog.filmPage()->filterPreview().before(), prescan);
        QCOMPARE(dialog.filmPage()->filterPreview().multipassSample(), prescan);

        box->click();
        QVERIFY(dialog.slidesPage()->filterPreview().before() != prescan);
        QCOMPARE(dialog.filmPage()->filterPreview().before().size(),
            QImage(FilterPreview::samplePath(FilterPreview::Film)).isNull()
                ? QSize(FilterPreview::kPlaceholderWidth, FilterPreview::kPlaceholderHeight)
                : QImage(FilterPreview::samplePath(FilterPreview::Film)).size());
    }
};

QTEST_MAIN(TestCustomDialog)
#include "test_customdialog.moc"
