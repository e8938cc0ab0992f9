// The pictures the forms name by resource path, loaded the way the forms load them.
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QSet>
#include <QTest>

namespace
{

const QStringList kButtonPictures { QStringLiteral("ImageZoom_in"), QStringLiteral("ImageZoom_out"),
    QStringLiteral("Rotate_Left"), QStringLiteral("Rotate_Right"), QStringLiteral("Flip_Horizontal"),
    QStringLiteral("Flip_Vertical"), QStringLiteral("exclamation"), QStringLiteral("Levels") };
const QString kApplicationIcon = QStringLiteral(":/Image/Korvane.ico");

QString buttonPath(const QString& name, const QString& variant = QString())
{
    return QStringLiteral(":/Image/") + name + variant + QStringLiteral(".png");
}

// Why the image would not pass for a drawn picture, or empty when it would: it needs
// fully transparent pixels around an opaque shape that has more than one colour.
QString blankness(const QImage& source)
{
    if (source.isNull())
        return QStringLiteral("no image");
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    bool transparent = false;
    QSet<QRgb> opaque;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            transparent = transparent || qAlpha(row[x]) == 0;
            if (qAlpha(row[x]) == 255)
                opaque.insert(row[x]);
        }
    }
    if (!transparent)
        return QStringLiteral("no transparent pixel");
    if (opaque.isEmpty())
        return QStringLiteral("no opaque pixel");
    if (opaque.size() == 1)
        return QStringLiteral("a single opaque colour");
    return {};
}

// Pixels of two equally large images whose colour or alpha differ by more than tolerance.
int differingPixels(const QImage& first, const QImage& second, int tolerance)
{
    const QImage a = first.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = second.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int worst = qMax(qMax(qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q))),
                qMax(qAbs(qBlue(p) - qBlue(q)), qAbs(qAlpha(p) - qAlpha(q))));
            count += worst > tolerance ? 1 : 0;
        }
    }
    return count;
}

// A difference that antialiasing cannot make; the two zoom pictures differ in a
// stroke of about a dozen pixels.
constexpr int kStrongDifference = 96;

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void buttonPicture_data();
    void buttonPicture();
    void buttonPicturesDiffer();
    void applicationIcon();
};

void TestResources::buttonPicture_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : kButtonPictures)
        QTest::newRow(qPrintable(name)) << name;
}

// The tool buttons show 32 x 32; the @2x picture is the same drawing for twice the density.
void TestResources::buttonPicture()
{
    QFETCH(QString, name);
    const QImage normal(buttonPath(name));
    const QImage dense(buttonPath(name, QStringLiteral("@2x")));
    QCOMPARE(normal.size(), QSize(32, 32));
    QCOMPARE(dense.size(), QSize(64, 64));
    QCOMPARE(blankness(normal), QString());
    QCOMPARE(blankness(dense), QString());

    const QImage reduced = dense.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(differingPixels(normal, reduced, kStrongDifference), 0);

    const QIcon icon(buttonPath(name));
    QVERIFY(!icon.isNull());
    const QImage shown = icon.pixmap(QSize(32, 32)).toImage();
    QCOMPARE(shown.size(), QSize(32, 32));
    QCOMPARE(differingPixels(shown, normal, 0), 0);
}

void TestResources::buttonPicturesDiffer()
{
    for (int i = 0; i < kButtonPictures.size(); ++i) {
        for (int j = i + 1; j < kButtonPictures.size(); ++j) {
            const QImage a(buttonPath(kButtonPictures.at(i)));
            const QImage b(buttonPath(kButtonPictures.at(j)));
            QVERIFY2(differingPixels(a, b, kStrongDifference) >= 8,
                qPrintable(kButtonPictures.at(i) + QStringLiteral(" looks like ") + kButtonPictures.at(j)));
        }
    }
}

// The window icon takes every size of the file; the dialogs' decorations read the file
// as one picture and get the first, the largest.
void TestResources::applicationIcon()
{
    QImageReader reader(kApplicationIcon);
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    QSet<int> sides;
    QImage first;
    do {
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.width(), image.height());
        QVERIFY2(blankness(image).isEmpty(), qPrintable(QString::number(image.width()) + blankness(image)));
        if (first.isNull())
            first = image;
        sides.insert(image.width());
    } while (reader.jumpToNextImage());
    QVERIFY(sides.contains(32));
    QVERIFY(sides.contains(64));
    QCOMPARE(first.width(), 64);

    const QIcon icon(kApplicationIcon);
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    QCOMPARE(icon.pixmap(QSize(32, 32)).size(), QSize(32, 32));
    QCOMPARE(QPixmap(kApplicationIcon).size(), QSize(64, 64));
}

QTEST_MAIN(TestResources)
#include "test_resources.moc"
