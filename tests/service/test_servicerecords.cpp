// The plain rules under the service dialogs: which firmware files are taken, and how
// the engineer's values sit in the scan parameter record.

#include <firmwareimage.h>
#include <scanparameterrecord.h>

#include <QtTest>

namespace
{

QByteArray firmware(int size, const QByteArray& version)
{
    QByteArray bytes(size, '\x5A');
    if (size >= 100)
        bytes.replace(96, 4, version);
    return bytes;
}

} // namespace

class TestServiceRecords : public QObject
{
    Q_OBJECT

private slots:
    void firmwareFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("version");
        using V = FirmwareImage::Verdict;
        QTest::newRow("empty") << QByteArray() << int(V::TooShort) << QString();
        QTest::newRow("1023 bytes") << firmware(1023, "1.23") << int(V::TooShort) << QString();
        QTest::newRow("1024 bytes") << firmware(1024, "1.23") << int(V::Usable) << QStringLiteral("1.23");
        QTest::newRow("whole block") << firmware(131072, "V2.1") << int(V::Usable) << QStringLiteral("V2.1");
        QTest::newRow("one byte over the block")
            << firmware(131073, "V2.1") << int(V::TooLarge) << QStringLiteral("V2.1");
        QTest::newRow("zero version")
            << firmware(4096, QByteArray(4, '\0')) << int(V::NotFirmware) << QString(4, QChar(0));
        QTest::newRow("one control character")
            << firmware(4096, QByteArray("2.0\n")) << int(V::NotFirmware) << QStringLiteral("2.0\n");
        QTest::newRow("high byte") << firmware(4096, QByteArray("2.0\xE9")) << int(V::NotFirmware)
                                   << QString::fromLatin1("2.0\xE9");
    }

    void firmwareFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, verdict);
        QFETCH(QString, version);
        QCOMPARE(int(FirmwareImage::check(bytes)), verdict);
        QCOMPARE(FirmwareImage::version(bytes), version);
    }

    void firmwareLimitIsTheDeviceBlock() { QCOMPARE(FirmwareImage::maximumSize(), 131072); }

    void exposureHalves_data()
    {
        QTest::addColumn<quint32>("time");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("70000") << quint32(70000) << 4464 << 1;
        QTest::newRow("fits the low half") << quint32(65535) << 65535 << 0;
        QTest::newRow("exactly one high") << quint32(65536) << 0 << 1;
        QTest::newRow("largest box value") << quint32(2147483647) << 65535 << 32767;
    }

    // Each channel's halves land at their own offsets, little-endian, and read back.
    void exposureHalves()
    {
        QFETCH(quint32, time);
        QFETCH(int, low);
        QFETCH(int, high);
        const ScanParameterRecord::Channel channels[]
            = { ScanParameterRecord::Red, ScanParameterRecord::Green, ScanParameterRecord::Blue };
        for (ScanParameterRecord::Channel channel : channels) {
            ScanParameterRecord record;
            record.setExposure(channel, time);
            QByteArray expected(53, '\0');
            expected[2 * channel] = char(low & 0xFF);
            expected[2 * channel + 1] = char(low >> 8);
            expected[23 + 2 * channel] = char(high & 0xFF);
            expected[24 + 2 * channel] = char(high >> 8);
            QCOMPARE(record.bytes(), expected);
            QCOMPARE(record.exposure(channel), time);
        }
    }

    // Writing the engineer's fields keeps every other byte as the scanner sent it.
    void otherBytesKept()
    {
        QByteArray received(53, '\0');
        for (int i = 0; i < received.size(); ++i)
            received[i] = char(0xA0 + i);
        ScanParameterRecord record(received);
        record.setExposure(ScanParameterRecord::Green, 5200);
        record.setGain(ScanParameterRecord::Blue, 63);
        record.setLightness(3);
        const QByteArray sent = record.bytes();
        QCOMPARE(sent.size(), 53);
        const QList<int> changed { 2, 3, 25, 26, 14, 15 };
        for (int i = 0; i < 53; ++i) {
            if (!changed.contains(i))
                QCOMPARE(sent.at(i), received.at(i));
        }
        QCOMPARE(record.exposure(ScanParameterRecord::Green), quint32(5200));
        QCOMPARE(record.gain(ScanParameterRecord::Blue), 63);
        QCOMPARE(record.gain(ScanParameterRecord::Red), 0xA0 + 12);
        QCOMPARE(record.lightness(), 3);
    }

    void recordSize_data()
    {
        QTest::addColumn<int>("given");
        QTest::newRow("none") << 0;
        QTest::newRow("short") << 20;
        QTest::newRow("long") << 80;
    }

    // The device reads 53 bytes whatever it is handed: short records are padded with
    // zeros, long ones cut.
    void recordSize()
    {
        QFETCH(int, given);
        const ScanParameterRecord record(QByteArray(given, '\x11'));
        QCOMPARE(record.bytes().size(), 53);
        const int kept = qMin(given, 53);
        QCOMPARE(record.bytes().left(kept), QByteArray(kept, '\x11'));
        QCOMPARE(record.bytes().mid(kept), QByteArray(53 - kept, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestServiceRecords)
#include "test_servicerecords.moc"
