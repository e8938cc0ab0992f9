#include "filterpreview.h"
#include "previewwidget.h"
#include "scanprofile.h"

#include <QtTest>

class TestPreviewWidget : public QObject
{
    Q_OBJECT

private slots:
    void startsBlueAndGreen()
    {
        PreviewWidget widget;
        QCOMPARE(widget.beforeImage().size(), QSize(320, 320));
        QCOMPARE(widget.beforeImage().format(), QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(widget.beforeImage().pixelColor(5, 5), QColor(Qt::blue));
        QCOMPARE(widget.afterImage().pixelColor(5, 5), QColor(Qt::green));
    }

    void nullPictureGivesNoComposite()
    {
        PreviewWidget widget;
        widget.resize(200, 100);
        widget.setBeforeImage(QImage());
        QVERIFY(!widget.updateComposite());
        QVERIFY(widget.composite().isNull());
    }

    // Width 200: right 199, middle round(99.5) = 100; before in 0-95, after in 105-199.
    void compositeLayout_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("before left edge") << 0 << QColor(Qt::red);
        QTest::newRow("before right edge") << 95 << QColor(Qt::red);
        QTest::newRow("gap start") << 96 << QColor(Qt::transparent);
        QTest::newRow("gap end") << 104 << QColor(Qt::transparent);
        QTest::newRow("after left edge") << 105 << QColor(Qt::yellow);
        QTest::newRow("after right edge") << 199 << QColor(Qt::yellow);
    }

    void compositeLayout()
    {
        QFETCH(int, x);
        QFETCH(QColor, colour);
        PreviewWidget widget;
        widget.resize(200, 100);
        QImage before(30, 20, QImage::Format_RGB888);
        before.fill(Qt::red);
        QImage after(50, 10, QImage::Format_RGB888);
        after.fill(Qt::yellow);
        widget.setBeforeImage(before);
        widget.setAfterImage(after);
        QVERIFY(widget.updateComposite());
        QCOMPARE(widget.composite().size(), QSize(200, 100));
        QCOMPARE(widget.composite().pixelColor(x, 50).rgba(), colour.rgba());
        QCOMPARE(widget.composite().pixelColor(x, 0).rgba(), colour.rgba());
        QCOMPARE(widget.composite().pixelColor(x, 99).rgba(), colour.rgba());
    }

    // The frame and the divider are drawn over the composite, which fills the inner area.
    void paintsFrameDividerAndPictures()
    {
        PreviewWidget widget;
        widget.resize(200, 100);
        QImage before(10, 10, QImage::Format_RGB888);
        before.fill(Qt::red);
        QImage after(10, 10, QImage::Format_RGB888);
        after.fill(Qt::yellow);
        widget.setBeforeImage(before);
        widget.setAfterImage(after);
        QVERIFY(widget.updateComposite());
        const QImage shot = widget.grab().toImage();
        QCOMPARE(shot.pixelColor(1, 50), QColor(Qt::black));
        QCOMPARE(shot.pixelColor(101, 50), QColor(Qt::black));
        QCOMPARE(shot.pixelColor(40, 50), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(160, 50), QColor(Qt::yellow));
    }

    void resizeRedrawsTheComposite()
    {
        PreviewWidget widget;
        widget.resize(200, 100);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QCOMPARE(widget.composite().size(), QSize(200, 100));
        widget.resize(300, 120);
        QCOMPARE(widget.composite().size(), QSize(300, 120));
    }

    // Without a processing object the after picture is the source unchanged.
    void filterPreviewSourcePicture_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("multipass");
        QTest::newRow("slides") << 0 << false;
        QTest::newRow("slides multipass") << 0 << true;
        QTest::newRow("film") << 1 << false;
        QTest::newRow("film multipass") << 1 << true;
    }

    void filterPreviewSourcePicture()
    {
        QFETCH(int, mode);
        QFETCH(bool, multipass);
        FilterPreview preview(mode == 0 ? FilterPreview::Slides : FilterPreview::Film);
        QImage before(40, 30, QImage::Format_ARGB32);
        before.fill(Qt::red);
        QImage sample(40, 30, QImage::Format_RGB32);
        sample.fill(Qt::blue);
        preview.setPictures(before, sample);
        QCOMPARE(preview.before().format(), QImage::Format_RGB888);
        ScanProfile profile;
        profile.setMode(mode);
        SlideSettings slide;
        slide.multipass = { multipass, 0 };
        FilmSettings film;
        film.multipass = { multipass, 0 };
        profile.setSlideSettings(slide);
        profile.setFilmSettings(film);
        QCOMPARE(preview.after(profile).pixelColor(3, 3), QColor(multipass ? Qt::blue : Qt::red));
    }

    void samplePicturesOrPlaceholders_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("slides") << int(FilterPreview::Slides);
        QTest::newRow("film") << int(FilterPreview::Film);
    }

    void samplePicturesOrPlaceholders()
    {
        QFETCH(int, kind);
        const auto which = static_cast<FilterPreview::Kind>(kind);
        FilterPreview preview(which);
        QVERIFY(!preview.before().isNull());
        QVERIFY(!preview.multipassSample().isNull());
        QCOMPARE(preview.before().format(), QImage::Format_RGB888);
        const QImage resource(FilterPreview::samplePath(which));
        if (resource.isNull())
            QCOMPARE(preview.before().pixelColor(0, 0), QColor(128, 128, 128));
        else
            QCOMPARE(preview.before().size(), resource.size());
    }
};

QTEST_MAIN(TestPreviewWidget)
#include "test_previewwidget.moc"
