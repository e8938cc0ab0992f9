// The main form's scanning state without any widget: what a prescan resets, what the
// tools refuse, the levels each mode keeps and the request values it builds.
#include "levelspanel.h"
#include "previewgeometry.h"
#include "scanningstate.h"

#include <manager.h>
#include <processingsteps.h>

#include <QSignalSpy>
#include <QtTest>

namespace
{

// A prescan-sized picture with some structure, 16 bits.
STImage prescanImage()
{
    STImage image = STImage::zeroed(431, 287, 16, 3);
    for (std::uint32_t y = 0; y < image.height(); ++y)
        for (std::uint32_t x = 0; x < image.width(); ++x)
            image.setRed(x, y, 100 * x + 50 * y);
    return image;
}

ScanProfile withMultipass(ScanProfile profile, bool on)
{
    SlideSettings slide = profile.slideSettings();
    slide.multipass.enable = on;
    profile.setSlideSettings(slide);
    FilmSettings film = profile.filmSettings();
    film.multipass.enable = on;
    profile.setFilmSettings(film);
    return profile;
}

} // namespace

class TestScanningState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        manager::instance()->initProfiles();
        qRegisterMetaType<LevelsSettings>();
        m_original = manager::instance()->profile(0);
    }
    void cleanup()
    {
        QVERIFY(manager::instance()->setProfile(0, m_original));
        for (int mode = 1; mode < manager::kFirstCustomSlot; ++mode) {
            ScanProfile profile = manager::instance()->profile(mode);
            profile.setLevels(LevelsSettings());
            QVERIFY(manager::instance()->setProfile(mode, profile));
        }
    }
    void cleanupTestCase() { manager::release(); }

    void toolsNeedAnImage()
    {
        ScanningState state(*manager::instance());
        QSignalSpy changed(&state, &ScanningState::transformChanged);
        QVERIFY(!state.zoomIn());
        QVERIFY(!state.rotateLeft());
        QVERIFY(!state.flipVertical());
        QCOMPARE(changed.count(), 0);
        QVERIFY(state.transform().operationHistory.isEmpty());
    }

    // A new prescan is processed for the mode and starts from the plain view.
    void prescanResetsTheView()
    {
        ScanningState state(*manager::instance());
        state.setPrescan(prescanImage());
        QVERIFY(state.hasPrescan());
        QVERIFY(!state.workingImage().isNull());
        QVERIFY(state.rotateRight());
        QVERIFY(state.zoomIn());
        QCOMPARE(state.transform().operationHistory, QVector<int> { PreviewTransform::RotateRightOp });

        QSignalSpy image(&state, &ScanningState::imageChanged);
        QSignalSpy view(&state, &ScanningState::transformChanged);
        state.setPrescan(prescanImage());
        QCOMPARE(image.count(), 1);
        QCOMPARE(view.count(), 1);
        QCOMPARE(state.transform().zoomFactor, 1.0);
        QCOMPARE(state.transform().rotationAngle, 0);
        QVERIFY(state.transform().operationHistory.isEmpty());
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("multipass");
        QTest::addColumn<bool>("prescanned");
        QTest::addColumn<bool>("refused");
        QTest::newRow("multipass without a prescan") << true << false << true;
        QTest::newRow("multipass after a prescan") << true << true << false;
        QTest::newRow("plain without a prescan") << false << false << false;
    }

    void refusals()
    {
        QFETCH(bool, multipass);
        QFETCH(bool, prescanned);
        QFETCH(bool, refused);
        QVERIFY(manager::instance()->setProfile(0, withMultipass(m_original, multipass)));
        ScanningState state(*manager::instance());
        if (prescanned)
            state.setPrescan(prescanImage());
        const ScanRequests::Built built = state.scanRequest(QRectF(), 7);
        QCOMPARE(built.refused(), refused);
        if (refused) {
            QCOMPARE(
                built.refusal, QStringLiteral("Please Prescan before using Multipass Xposure function."));
            QVERIFY(!built.request.processing);
        }
        QVERIFY(!state.prescanRequest().refused());
    }

    // The scan takes the slider's brightness, the whole window without a frame, the
    // turns without the zoom, and a processing object of its own.
    void scanRequestValue()
    {
        manager* data = manager::instance();
        ScanningState state(*data);
        state.setPrescan(prescanImage());
        QVERIFY(state.zoomIn());
        QVERIFY(state.rotateRight());
        const ScanRequests::Built built = state.scanRequest(QRectF(), 17);
        QVERIFY(!built.refused());
        const ScanRequest& request = built.request;
        QCOMPARE(request.profile.brightness(), 17);
        QCOMPARE(request.profile.directory(), data->profile(0).directory());
        QCOMPARE(request.area.left, 0.0);
        QCOMPARE(request.area.top, 0.0);
        QCOMPARE(request.area.width, PreviewGeometry::kWindowWidthInches);
        QCOMPARE(request.area.height, PreviewGeometry::kWindowHeightInches);
        QCOMPARE(request.transform.scale(), 1.0);
        QCOMPARE(request.transform.quarterTurns() % 2, 1);
        QVERIFY(request.processing);
        QVERIFY(request.processing.get() != data->processing());
        // A second request gets another object again.
        QVERIFY(state.scanRequest(QRectF(), 0).request.processing != request.processing);
    }

    // Each mode brings its profile's levels; keeping stores them with the current mode
    // only, and the scan request carries what the state holds, stored or not.
    void levelsFollowTheMode()
    {
        manager* data = manager::instance();
        LevelsSettings tissue;
        tissue[LevelsSettings::All] = LevelsChannel { 10, 240, 1.0 };
        LevelsSettings film;
        film[LevelsSettings::Red] = LevelsChannel { 0, 200, 0.8 };
        ScanProfile first = data->profile(0);
        first.setLevels(tissue);
        QVERIFY(data->setProfile(0, first));
        ScanProfile positive = data->profile(3);
        positive.setLevels(film);
        QVERIFY(data->setProfile(3, positive));

        ScanningState state(*data);
        QCOMPARE(state.levels(), tissue);
        QSignalSpy changed(&state, &ScanningState::levelsChanged);
        state.setMode(3);
        QCOMPARE(state.levels(), film);
        QCOMPARE(changed.count(), 1);
        state.setMode(1);
        QVERIFY(state.levels().isNeutral());
        // A prescan keeps them.
        state.setMode(3);
        state.setPrescan(prescanImage());
        QCOMPARE(state.levels(), film);

        LevelsSettings changedFilm = film;
        changedFilm[LevelsSettings::Blue].white = 180;
        state.setLevels(changedFilm);
        state.setLevels(changedFilm);
        QCOMPARE(changed.count(), 4);
        QCOMPARE(state.scanRequest(QRectF(), 0).request.profile.levels(), changedFilm);
        // Not kept yet: the mode's profile still has the old ones.
        QCOMPARE(data->profile(3).levels(), film);
        QVERIFY(state.keepLevels());
        QCOMPARE(data->profile(3).levels(), changedFilm);
        QCOMPARE(data->profile(0).levels(), tissue);
        QCOMPARE(data->profile(4).levels(), LevelsSettings());
        state.setMode(0);
        QCOMPARE(state.scanRequest(QRectF(), 0).request.profile.levels(), tissue);
        state.setMode(3);
        QCOMPARE(state.levels(), changedFilm);
    }

    // The builder puts the levels into the request's profile for its mode, whichever
    // mode the profile is in, so the final pipeline takes them from there.
    void requestCarriesTheLevels_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("slides") << int(ScanProfile::SlideMode);
        QTest::newRow("film") << int(ScanProfile::FilmMode);
    }

    void requestCarriesTheLevels()
    {
        QFETCH(int, mode);
        ScanProfile profile;
        profile.setMode(mode);
        LevelsSettings levels;
        levels[LevelsSettings::Green] = LevelsChannel { 3, 250, 2.0 };
        const ScanRequests::Built built
            = ScanRequests::scan(profile, QSize(431, 287), QRectF(), PreviewTransform(), 5, levels, nullptr);
        QVERIFY(!built.refused());
        QCOMPARE(built.request.profile.levels(), levels);
        QCOMPARE(built.request.profile.brightness(), 5);
        QVERIFY(profile.levels().isNeutral());
    }

    void modeChangeReprocesses()
    {
        ScanningState state(*manager::instance());
        QSignalSpy mode(&state, &ScanningState::modeChanged);
        QSignalSpy image(&state, &ScanningState::imageChanged);
        state.setMode(4);
        QCOMPARE(mode.count(), 1);
        QCOMPARE(image.count(), 0); // nothing to process yet
        state.setPrescan(prescanImage());
        const STImage negative = state.workingImage();
        state.setMode(1);
        QCOMPARE(image.count(), 2);
        QCOMPARE(state.mode(), 1);
        QVERIFY(negative.byteCount() != state.workingImage().byteCount()
            || !std::equal(
                negative.data(), negative.data() + negative.byteCount(), state.workingImage().data()));
    }

private:
    ScanProfile m_original;
};

QTEST_MAIN(TestScanningState)
#include "test_scanningstate.moc"
