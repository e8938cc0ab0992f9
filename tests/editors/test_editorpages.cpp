#include "editorfixtures.h"
#include "film135.h"
#include "microsides.h"
#include "previewwidget.h"
#include "processingsteps.h"
#include "scriptedprompts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

namespace
{

template <typename T> T* child(QWidget* parent, const char* name)
{
    auto* found = parent->findChild<T*>(QLatin1String(name));
    Q_ASSERT(found != nullptr);
    return found;
}

QImage filled(QColor colour)
{
    QImage image(120, 80, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

double meanGreen(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += qGreen(image.pixel(x, y));
    }
    return sum / (image.width() * image.height());
}

} // namespace

class TestEditorPages : public QObject
{
    Q_OBJECT

private slots:
    void slideSettingsRoundTrip()
    {
        MicroSides page;
        page.setSettings(sampleSlides());
        QCOMPARE(page.settings(), sampleSlides());
        QCOMPARE(child<QSlider>(&page, "horizontalSlider_saturation")->toolTip(), QStringLiteral("-12"));
        QCOMPARE(child<QSlider>(&page, "horizontalSlider_brightness")->toolTip(), QStringLiteral("33"));
        QCOMPARE(child<QLineEdit>(&page, "lineEdit_directory")->cursorPosition(), 0);
    }

    void filmSettingsRoundTrip()
    {
        Film135 page;
        page.setSettings(sampleFilm());
        QCOMPARE(page.settings(), sampleFilm());
        // Hidden, yet read and written.
        QVERIFY(child<QCheckBox>(&page, "checkBox_scatchAndDustRemove")->isHidden());
        QCOMPARE(child<QSlider>(&page, "horizontalSlider_brightness")->toolTip(), QStringLiteral("-40"));
    }

    // The switches' values come back as the editors write them, whatever the file held.
    void writtenValuesFollowTheirRules()
    {
        SlideSettings slide = sampleSlides();
        slide.multipass = { true, 9 };
        slide.saturation = { false, 5 };
        MicroSides slides;
        slides.setSettings(slide);
        QCOMPARE(slides.settings().multipass, (EnableValue { true, 0 }));
        QCOMPARE(slides.settings().saturation, (EnableValue { true, 5 }));

        FilmSettings film = sampleFilm();
        film.brightness = { false, 250 };
        Film135 films;
        films.setSettings(film);
        QCOMPARE(films.settings().brightness, (EnableValue { true, 100 }));
    }

    // Empty texts, an unknown target and a refused prefix keep what the form shows.
    void keptFieldsOnEmptyOrDamagedValues()
    {
        MicroSides page;
        page.setSettings(sampleSlides());
        SlideSettings damaged;
        damaged.scanningTarget = 9;
        damaged.prefix = QStringLiteral("../up");
        page.setSettings(damaged);
        const SlideSettings read = page.settings();
        QCOMPARE(read.directory, sampleSlides().directory);
        QCOMPARE(read.prefix, sampleSlides().prefix);
        QCOMPARE(read.scanningTarget, sampleSlides().scanningTarget);

        Film135 film;
        FilmSettings empty;
        film.setSettings(empty);
        QCOMPARE(film.settings().prefix, QStringLiteral("Film"));
        QCOMPARE(film.settings().directory, QString());
    }

    void limitsAsTyped_data()
    {
        QTest::addColumn<bool>("film");
        QTest::newRow("slides") << false;
        QTest::newRow("film") << true;
    }

    void limitsAsTyped()
    {
        QFETCH(bool, film);
        std::unique_ptr<QWidget> page;
        if (film)
            page = std::make_unique<Film135>();
        else
            page = std::make_unique<MicroSides>();
        auto* description = child<QLineEdit>(page.get(), "lineEdit_Descriptor");
        description->clear();
        QTest::keyClicks(description, QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
        QCOMPARE(description->text(), QStringLiteral("abcdefghijklmnopqrstuv"));

        auto* prefix = child<QLineEdit>(page.get(), "lineEdit_prefixFilename");
        prefix->clear();
        QTest::keyClicks(prefix, QStringLiteral("a*b?c/d\\e:f>g<h|i\"j"));
        QCOMPARE(prefix->text(), QStringLiteral("abcdefghij"));
    }

    void slidePresets_data()
    {
        QTest::addColumn<QString>("radioName");
        QTest::addColumn<int>("saturation");
        QTest::addColumn<int>("brightness");
        QTest::newRow("tissue") << QStringLiteral("radioButton_Tissue") << 0 << 0;
        QTest::newRow("common") << QStringLiteral("radioButton_Common") << -38 << 26;
        QTest::newRow("aquatic") << QStringLiteral("radioButton_Qauatic") << 49 << 65;
    }

    void slidePresets()
    {
        QFETCH(QString, radioName);
        QFETCH(int, saturation);
        QFETCH(int, brightness);
        MicroSides page;
        SlideSettings start = sampleSlides();
        start.scanningTarget = 3; // others: no preset of its own
        page.setSettings(start);
        QCOMPARE(page.settings().saturation.value, -12);

        auto* radio = page.findChild<QRadioButton*>(radioName);
        QVERIFY(radio != nullptr);
        radio->click();
        SlideSettings read = page.settings();
        QVERIFY(read.autoContrast.enable);
        QCOMPARE(read.saturation.value, saturation);
        QCOMPARE(read.brightness.value, brightness);

        // Once: clicking the checked radio again keeps the user's later changes.
        child<QSlider>(&page, "horizontalSlider_saturation")->setValue(5);
        child<QCheckBox>(&page, "checkBox_autoContrast")->setChecked(false);
        radio->click();
        read = page.settings();
        QCOMPARE(read.saturation.value, 5);
        QVERIFY(!read.autoContrast.enable);
    }

    void loadedTargetRunsNoPreset()
    {
        MicroSides page;
        SlideSettings start = sampleSlides();
        start.scanningTarget = 1;
        page.setSettings(start);
        QCOMPARE(page.settings().saturation.value, -12);
        child<QRadioButton>(&page, "radioButton_Common")->click();
        QCOMPARE(page.settings().saturation.value, -12);
    }

    void filmPresets_data()
    {
        QTest::addColumn<QString>("radioName");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<int>("from");
        QTest::newRow("positive") << QStringLiteral("radioButton_positive") << false << 1;
        QTest::newRow("negative") << QStringLiteral("radioButton_negative") << true << 0;
        QTest::newRow("positive b/w") << QStringLiteral("radioButton_positiveBW") << false << 3;
        QTest::newRow("negative b/w") << QStringLiteral("radioButton_NegativeBW") << true << 2;
    }

    void filmPresets()
    {
        QFETCH(QString, radioName);
        QFETCH(bool, automatic);
        QFETCH(int, from);
        Film135 page;
        FilmSettings start = sampleFilm();
        start.scanningTarget = from; // a loaded target runs no preset
        start.autoColour = { !automatic, 0 };
        start.autoBalance = { !automatic, 0 };
        page.setSettings(start);
        page.findChild<QRadioButton*>(radioName)->click();
        QCOMPARE(page.settings().autoColour.enable, automatic);
        QCOMPARE(page.settings().autoBalance.enable, automatic);
        QVERIFY(page.settings().autoContrast.enable); // untouched
    }

    void browse_data()
    {
        QTest::addColumn<bool>("film");
        QTest::newRow("slides") << false;
        QTest::newRow("film") << true;
    }

    void browse()
    {
        QFETCH(bool, film);
        ScriptedPrompts prompts;
        const EditorContext context { nullptr, 0, &prompts };
        std::unique_ptr<QWidget> page;
        if (film)
            page = std::make_unique<Film135>(context);
        else
            page = std::make_unique<MicroSides>(context);
        auto* directory = child<QLineEdit>(page.get(), "lineEdit_directory");
        directory->setText(QStringLiteral("/start/here"));
        child<QPushButton>(page.get(), "pushButton_Browse")->click();
        QCOMPARE(prompts.captions, QStringList { QStringLiteral("Select directory for save") });
        QCOMPARE(prompts.starts, QStringList { QStringLiteral("/start/here") });
        QCOMPARE(directory->text(), QStringLiteral("/start/here"));
        prompts.answer = QStringLiteral("/chosen");
        child<QPushButton>(page.get(), "pushButton_Browse")->click();
        QCOMPARE(directory->text(), QStringLiteral("/chosen"));
    }

    void buttonsEmitTheirSignals()
    {
        MicroSides page;
        QSignalSpy save(&page, &MicroSides::clickSave);
        QSignalSpy load(&page, &MicroSides::clickLoad);
        QSignalSpy cancel(&page, &MicroSides::clickCancel);
        QSignalSpy exported(&page, &MicroSides::clickExport);
        child<QPushButton>(&page, "pushButton_save")->click();
        child<QPushButton>(&page, "pushButton_load")->click();
        child<QPushButton>(&page, "pushButton_load")->click();
        child<QPushButton>(&page, "pushButton_export")->click();
        QCOMPARE(save.count(), 1);
        QCOMPARE(load.count(), 2);
        QCOMPARE(cancel.count(), 0);
        QCOMPARE(exported.count(), 1);
    }

    // The multipass switch picks the after half's source picture.
    void multipassChangesTheAfterSource_data()
    {
        QTest::addColumn<bool>("film");
        QTest::newRow("slides") << false;
        QTest::newRow("film") << true;
    }

    void multipassChangesTheAfterSource()
    {
        QFETCH(bool, film);
        std::unique_ptr<QWidget> page;
        if (film)
            page = std::make_unique<Film135>();
        else
            page = std::make_unique<MicroSides>();
        const QImage before = filled(Qt::red);
        const QImage multipass = filled(Qt::blue);
        if (film)
            static_cast<Film135*>(page.get())->setPreviewPictures(before, multipass);
        else
            static_cast<MicroSides*>(page.get())->setPreviewPictures(before, multipass);
        auto* preview = child<PreviewWidget>(page.get(), "widget_preview");
        auto* box = child<QCheckBox>(page.get(), "checkBox_multipassXposure");
        box->setChecked(false);
        box->click();
        QCOMPARE(preview->beforeImage(), before);
        QCOMPARE(preview->afterImage(), multipass);
        box->click();
        QCOMPARE(preview->afterImage(), before);
    }

    // Through a real processing object the slider's value reaches the after half.
    void brightnessSliderFiltersTheAfterHalf()
    {
        ProcessingSteps steps;
        MicroSides page({ &steps, 82, nullptr });
        SlideSettings settings;
        settings.autoContrast = { false, 0 };
        page.setSettings(settings);
        page.setPreviewPictures(filled(QColor(100, 100, 100)));
        auto* preview = child<PreviewWidget>(&page, "widget_preview");
        const double start = meanGreen(preview->afterImage());
        QVERIFY(qAbs(start - 100) < 1);
        child<QSlider>(&page, "horizontalSlider_brightness")->setValue(60);
        QCOMPARE(child<QSlider>(&page, "horizontalSlider_brightness")->toolTip(), QStringLiteral("60"));
        QVERIFY2(meanGreen(preview->afterImage()) > start + 20,
            qPrintable(QString::number(meanGreen(preview->afterImage()))));
        QCOMPARE(meanGreen(preview->beforeImage()), start);
    }
};

QTEST_MAIN(TestEditorPages)
#include "test_editorpages.moc"
