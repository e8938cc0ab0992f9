// The editors' sample pictures: scanned through the simulated scanner at build time and
// compiled in, reached as the program reaches them.
#include <QImage>
#include <QtTest>

namespace
{

struct Mean {
    double red = 0;
    double green = 0;
    double blue = 0;
};

// Mean of a rectangle given in shares of the picture's width and height.
Mean meanOf(const QImage& image, double left, double top, double right, double bottom)
{
    Mean mean;
    int count = 0;
    for (int y = int(top * image.height()); y < int(bottom * image.height()); ++y) {
        for (int x = int(left * image.width()); x < int(right * image.width()); ++x) {
            const QRgb pixel = image.pixel(x, y);
            mean.red += qRed(pixel);
            mean.green += qGreen(pixel);
            mean.blue += qBlue(pixel);
            ++count;
        }
    }
    mean.red /= count;
    mean.green /= count;
    mean.blue /= count;
    return mean;
}

double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            sum += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
        }
    }
    return sum / (a.width() * a.height());
}

} // namespace

class TestSamplePictures : public QObject
{
    Q_OBJECT

private slots:
    void plainAndMultipass_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("multipass");
        QTest::newRow("slide") << QStringLiteral(":/Image/Mx_Silder.jpg")
                               << QStringLiteral(":/Image/Mx_Silder_B.jpg");
        QTest::newRow("film") << QStringLiteral(":/Image/MX_B.jpg") << QStringLiteral(":/Image/MX_A.jpg");
    }

    // Both exist at the preview's size, and the multipass exposure shows: it lifts
    // the shadows, so the multipass picture is brighter, not a copy.
    void plainAndMultipass()
    {
        QFETCH(QString, plain);
        QFETCH(QString, multipass);
        const QImage before(plain);
        const QImage sample(multipass);
        QVERIFY(!before.isNull());
        QVERIFY(!sample.isNull());
        QCOMPARE(before.size(), QSize(300, 200));
        QCOMPARE(sample.size(), before.size());
        QVERIFY2(
            meanDifference(before, sample) > 2, qPrintable(QString::number(meanDifference(before, sample))));
        const Mean whole = meanOf(before, 0, 0, 1, 1);
        const Mean lifted = meanOf(sample, 0, 0, 1, 1);
        QVERIFY(lifted.green > whole.green);
    }

    // The slide shows a stained section on clear glass beside a dark frosted label.
    void slideShowsAStainedSection()
    {
        const QImage slide(QStringLiteral(":/Image/Mx_Silder.jpg"));
        QVERIFY(!slide.isNull());
        const Mean section = meanOf(slide, 0.55, 0.45, 0.65, 0.55);
        const Mean glass = meanOf(slide, 0.24, 0.4, 0.26, 0.6);
        const Mean label = meanOf(slide, 0.05, 0.05, 0.15, 0.2);
        QVERIFY(section.green < glass.green * 0.8);
        QVERIFY(section.green < section.red); // pink and purple stains take green
        QVERIFY(label.green < glass.green * 0.6);
    }

    // The film frame has its picture above a row of bright sprocket holes.
    void filmShowsFrameAndHoles()
    {
        const QImage film(QStringLiteral(":/Image/MX_B.jpg"));
        QVERIFY(!film.isNull());
        int bright = 0;
        const int y = int(0.88 * film.height());
        for (int x = 0; x < film.width(); ++x)
            bright += qGray(film.pixel(x, y)) > 200 ? 1 : 0;
        QVERIFY2(
            bright > film.width() / 5 && bright < film.width() * 3 / 5, qPrintable(QString::number(bright)));
        const Mean sky = meanOf(film, 0.3, 0.12, 0.6, 0.2);
        QVERIFY(sky.blue > sky.red);
    }
};

QTEST_MAIN(TestSamplePictures)
#include "test_samplepictures.moc"
