#include "ipinireader.h"
#include "ipmodelfiles.h"
#include "ipstdiofile.h"
#include "ipstring.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <cfloat>
#include <climits>

#include <cstdio>
#include <string>

class TestIpParamFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void stringStorage_data();
    void stringStorage();
    void stringOperations();
    void stdioFileReadsLines();
    void iniLookup_data();
    void iniLookup();
    void typedReadersCutLongValues();
    void numbersBeyondTheirTypeSaturate_data();
    void numbersBeyondTheirTypeSaturate();
    void missingFileGivesDefaults();
    void modelTable_data();
    void modelTable();
    void shippedIniFilesParse_data();
    void shippedIniFilesParse();

private:
    QString write(const char* name, const QByteArray& content);
    QTemporaryDir m_dir;
};

QString TestIpParamFiles::write(const char* name, const QByteArray& content)
{
    const QString path = m_dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(content);
    return path;
}

void TestIpParamFiles::init()
{
    QVERIFY(m_dir.isValid());
}

void TestIpParamFiles::stringStorage_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("onHeap");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("127 inline") << 127 << false;
    QTest::newRow("128 heap") << 128 << true;
    QTest::newRow("5000 heap") << 5000 << true;
}

void TestIpParamFiles::stringStorage()
{
    QFETCH(int, length);
    QFETCH(bool, onHeap);
    const std::string text(std::size_t(length), 'x');
    IPString s(text.c_str());
    QCOMPARE(s.isOnHeap(), onHeap);
    QCOMPARE(int(s.length()), length);
    QCOMPARE(s.compare(text.c_str()), 0);
    IPString copy;
    copy = s;
    QCOMPARE(copy.isOnHeap(), onHeap);
    QCOMPARE(copy.compare(text.c_str()), 0);
    copy = "short"; // back inline, heap block released
    QVERIFY(!copy.isOnHeap());
}

void TestIpParamFiles::stringOperations()
{
    const char buffer[] = { 'a', 'b', 'c', 'd' };
    IPString ab(buffer, 2);
    QCOMPARE(ab.compare("ab"), 0);
    QCOMPARE(int(ab.length()), 2);
    IPString joined = ab + IPString("cd");
    QCOMPARE(joined.compare("abcd"), 0);
    QCOMPARE(ab.compare("ab"), 0); // operands unchanged
    IPString& self = joined;
    joined = self;
    QCOMPARE(joined.compare("abcd"), 0);
    QVERIFY(IPString("B").compare("a") < 0); // case-sensitive, byte-wise
    QVERIFY(IPString("\xe9").compare("z") > 0); // unsigned comparison
    QVERIFY(IPString("ab").compare("abc") < 0);
    QVERIFY(IPString().isEmpty());
    IPString big(std::string(300, 'y').c_str());
    big = big + IPString("z");
    QCOMPARE(int(big.length()), 301);
}

void TestIpParamFiles::stdioFileReadsLines()
{
    const QString path = write("lines.txt", "one\r\ntwo\n\nthree");
    IPStdioFile file;
    QVERIFY(file.open(path.toLocal8Bit().constData(), 0));
    IPString line;
    QStringList got;
    while (file.readLine(line))
        got << QString::fromLatin1(line.text());
    QCOMPARE(got, QStringList({ "one", "two", "", "three" }));
    QCOMPARE(line.compare("three"), 0); // the failed read leaves the last line
    QVERIFY(!file.open((m_dir.path() + "/missing/x").toLocal8Bit().constData(), 0));
    QVERIFY(!file.isOpen());
}

void TestIpParamFiles::iniLookup_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<float>("expected");
    const QByteArray s = "AUTO_COLOR_P";
    const QByteArray k = "IDC_HUE_TOL";
    QTest::newRow("no blanks") << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOL=35\n") << s << k << 35.f;
    QTest::newRow("blanks around =") << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOL = 35\n") << s << k << 50.f;
    QTest::newRow("blank after = kept") << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOL= 35\n") << s << k << 35.f;
    QTest::newRow("] cuts the value")
        << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOL=35]99 more\n") << s << k << 35.f;
    QTest::newRow("CRLF") << QByteArray("[AUTO_COLOR_P]\r\nIDC_HUE_TOL=36\r\n") << s << k << 36.f;
    QTest::newRow("other section") << QByteArray("[AUTO_COLOR_N]\nIDC_HUE_TOL=35\n") << s << k << 50.f;
    QTest::newRow("section case-sensitive")
        << QByteArray("[auto_color_p]\nIDC_HUE_TOL=35\n") << s << k << 50.f;
    QTest::newRow("key case-sensitive") << QByteArray("[AUTO_COLOR_P]\nidc_hue_tol=35\n") << s << k << 50.f;
    QTest::newRow("earlier same-named section wins")
        << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOL=20\n[X]\n[AUTO_COLOR_P]\nIDC_HUE_TOL=30\n") << s << k
        << 20.f;
    QTest::newRow("first key in a section wins")
        << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOL=21\nIDC_HUE_TOL=22\n") << s << k << 21.f;
    QTest::newRow("later section when earlier lacks key")
        << QByteArray("[AUTO_COLOR_P]\nOTHER=1\n[AUTO_COLOR_P]\nIDC_HUE_TOL=30\n") << s << k << 30.f;
    QTest::newRow("prefix of key does not match")
        << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOLX=35\nIDC_HUE=36\n") << s << k << 50.f;
    QTest::newRow("before first section: empty section")
        << QByteArray("IDC_HUE_TOL=35\n[AUTO_COLOR_P]\n") << QByteArray("") << k << 35.f;
    QTest::newRow("comment-like line ignored")
        << QByteArray("[AUTO_COLOR_P]\n; IDC_HUE_TOL is 40\nIDC_HUE_TOL=41\n") << s << k << 41.f;
    QTest::newRow("empty value gives default")
        << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOL=\n") << s << k << 50.f;
    QTest::newRow("text value gives 0") << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOL=abc\n") << s << k << 0.f;
    QTest::newRow("last line without newline")
        << QByteArray("[AUTO_COLOR_P]\nIDC_HUE_TOL=12.5") << s << k << 12.5f;
}

void TestIpParamFiles::iniLookup()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(float, expected);
    const QString path = write("lookup.ini", content);
    const QByteArray p = path.toLocal8Bit();
    QCOMPARE(IPReadIniFloat(section.constData(), key.constData(), 50.f, p.constData()), expected);
    // The integer reader has no empty case: a present but empty value is atoi("") = 0.
    const bool emptyValue = content.contains("=\n");
    QCOMPARE(IPReadIniInt(section.constData(), key.constData(), 50, p.constData()),
        emptyValue ? 0 : int(expected));
}

void TestIpParamFiles::typedReadersCutLongValues()
{
    // A value longer than the readers' buffers: the digits beyond the buffer are cut.
    const QByteArray longValue = QByteArray(257, '0') + "12345";
    const QString path = write("long.ini", "[S]\nF=" + longValue + "\nI=" + QByteArray(1016, '0') + "789\n");
    const QByteArray p = path.toLocal8Bit();
    QCOMPARE(IPReadIniFloat("S", "F", 1.f, p.constData()), 1.f); // 257 zeros + "1" fit in 258
    // A line is read up to 1021 characters, so an integer value always fits its buffer.
    QCOMPARE(IPReadIniInt("S", "I", 5, p.constData()), 789);

    char out[8];
    QCOMPARE(IPReadIniString("S", "F", "", out, sizeof out, p.constData()), 7);
    QCOMPARE(QByteArray(out), QByteArray("0000000"));
    QCOMPARE(IPReadIniString("S", "missing", "defaulttext", out, sizeof out, p.constData()), 7);
    QCOMPARE(QByteArray(out), QByteArray("default"));
}

void TestIpParamFiles::numbersBeyondTheirTypeSaturate_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<float>("asFloat");
    QTest::addColumn<int>("asInt");
    QTest::newRow("int beyond INT_MAX") << QByteArray("99999999999") << 99999999999.f << INT_MAX;
    QTest::newRow("int beyond INT_MIN") << QByteArray("-99999999999") << -99999999999.f << INT_MIN;
    QTest::newRow("beyond long long") << QByteArray("-999999999999999999999999") << -1e24f << INT_MIN;
    QTest::newRow("float beyond FLT_MAX") << QByteArray("1e300") << FLT_MAX << 1; // atoi stops at 'e'
    QTest::newRow("float beyond -FLT_MAX") << QByteArray("-1e300") << -FLT_MAX << -1;
    QTest::newRow("largest int") << QByteArray("2147483647") << 2147483647.f << INT_MAX;
}

void TestIpParamFiles::numbersBeyondTheirTypeSaturate()
{
    QFETCH(QByteArray, value);
    QFETCH(float, asFloat);
    QFETCH(int, asInt);
    const QByteArray p = write("range.ini", "[S]\nK=" + value + "\n").toLocal8Bit();
    QCOMPARE(IPReadIniFloat("S", "K", 0.f, p.constData()), asFloat);
    QCOMPARE(IPReadIniInt("S", "K", 0, p.constData()), asInt);
}

void TestIpParamFiles::missingFileGivesDefaults()
{
    const QByteArray p = (m_dir.path() + "/none.ini").toLocal8Bit();
    QCOMPARE(IPReadIniFloat("S", "K", 2.5f, p.constData()), 2.5f);
    QCOMPARE(IPReadIniInt("S", "K", -7, p.constData()), -7);
    char out[16];
    QCOMPARE(IPReadIniString("S", "K", "dflt", out, sizeof out, p.constData()), 4);
    QCOMPARE(QByteArray(out), QByteArray("dflt"));

    // The missing file shows once on the image-processing debug log when that is switched on.
    QLoggingCategory::setFilterRules(QStringLiteral("korvane.imageprocess.debug=true"));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("parameter file .*none\\.ini")));
    const bool missingReadable = IPParamFileReadable(p.constData());
    QLoggingCategory::setFilterRules(QString());
    QVERIFY(!missingReadable);
    const QByteArray present = write("present.ini", "[S]\nK=1\n").toLocal8Bit();
    QVERIFY(IPParamFileReadable(present.constData()));
}

void TestIpParamFiles::modelTable_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("filmFormat");
    QTest::addColumn<QString>("autoColor");
    QTest::addColumn<QString>("balance");
    QTest::addColumn<QString>("crop");
    QTest::newRow("0 defaults") << 0 << 0 << "TQ2200/AUTOCOLOR-CCD.INI"
                                << "TQ2200/RGB_Balance_V2-CCD.INI"
                                << "TQ3300/AUTOCROP_V2.INI";
    QTest::newRow("4 135") << 4 << 0 << "TQ4100/AUTOCOLOR-CCD.INI"
                           << "TQ4100/RGB_Balance_V2-CCD.INI"
                           << "TQ4100/AUTOCROP_V2-TQ4100 - 135.INI";
    QTest::newRow("4 120") << 4 << 2 << "TQ4100/AUTOCOLOR-CCD.INI"
                           << "TQ4100/RGB_Balance_V2-CCD.INI"
                           << "TQ4100/AUTOCROP_V2-TQ4100 - 120.INI";
    QTest::newRow("7 mixed") << 7 << 0 << "TQ2200/AUTOCOLOR-CCD.INI"
                             << "TQ2200/RGB_Balance_V2-CCD.INI"
                             << "TQ2200/AUTOCROP_V2.INI";
    QTest::newRow("9") << 9 << 0 << "TQ3300/AUTOCOLOR-CCD.INI"
                       << "TQ3300/RGB_Balance_V2-CCD.INI"
                       << "TQ3300/AUTOCROP_V2.INI";
    QTest::newRow("11") << 11 << 0 << "TQB/AUTOCOLOR-CCD.INI"
                        << "TQB/RGB_Balance_V2-CCD.INI"
                        << "TQB/AUTOCROP_V2.INI";
    QTest::newRow("12") << 12 << 0 << "TQB-AX/AUTOCOLOR-CCD.INI"
                        << "TQB-AX/RGB_Balance_V2-CCD.INI"
                        << "TQB-AX/AUTOCROP_V2.INI";
    QTest::newRow("13 defaults") << 13 << 0 << "TQ2200/AUTOCOLOR-CCD.INI"
                                 << "TQ2200/RGB_Balance_V2-CCD.INI"
                                 << "TQ3300/AUTOCROP_V2.INI";
}

void TestIpParamFiles::modelTable()
{
    QFETCH(int, model);
    QFETCH(int, filmFormat);
    QFETCH(QString, autoColor);
    QFETCH(QString, balance);
    QFETCH(QString, crop);
    QCOMPARE(QString(IPParamFileName(IPParamFile::AutoColor, model, filmFormat)), autoColor);
    QCOMPARE(QString(IPParamFileName(IPParamFile::RgbBalance, model, filmFormat)), balance);
    QCOMPARE(QString(IPParamFileName(IPParamFile::AutoCrop, model, filmFormat)), crop);
    QCOMPARE(QString(IPParamFilePath(IPParamFile::AutoCrop, model, filmFormat).text()), "./data/" + crop);
}

void TestIpParamFiles::shippedIniFilesParse_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("sections");
    QTest::addColumn<QStringList>("keys");
    const QStringList colour { "IDC_SATURATION_WEIGHT_M", "IDC_HUE_TOL", "IDC_HUE_YELLOW_MIN",
        "IDC_HUE_YELLOW_MAX", "IDC_HUE_YELLOW_MULTI" };
    const QStringList balance { "IDC_EXTEND_LEVEL", "IDC_MAX_CONTRAST_LEVEL",
        "IDC_MIDTONE_MAX_SATURATION_PERCENT", "IDC_MIDTONE_TOL_BRIGHT_PERCENT", "IDC_ALL_MIDTONE_ADJUST",
        "IDC_COLOR_ENHANCE_FACTOR", "IDC_COLOR_ENHANCE_MULTI", "IDC_MAX_MODIFY_R", "IDC_MAX_MODIFY_G",
        "IDC_MAX_MODIFY_B", "IDC_ADJUST_R", "IDC_ADJUST_G", "IDC_ADJUST_B", "IDC_AUTO_LEVEL_FACTOR" };
    const QStringList crop { "IDC_CROP_LEFT", "IDC_CROP_TOP", "IDC_CROP_RIGHT", "IDC_CROP_BOTTOM",
        "IDC_BORDER_LEFT", "IDC_BORDER_TOP", "IDC_BORDER_RIGHT", "IDC_BORDER_BOTTOM", "IDC_MIN_LEFT",
        "IDC_MIN_TOP", "IDC_MIN_RIGHT", "IDC_MIN_BOTTOM", "IDC_FILMHOLE_TYPE", "IDC_SKIP_FILMHOLE_PERCENT",
        "IDC_BORDER_REF_PERCENT_BRIGHT", "IDC_BORDER_REF_PERCENT_DARK", "IDC_BORDER_IFEXIST_PERCENT_BRIGHT",
        "IDC_BORDER_IFEXIST_PERCENT_DARK", "IDC_BORDER_DEFAULT_PERCENT_BRIGHT",
        "IDC_BORDER_DEFAULT_PERCENT_DARK", "IDC_BORDER_TOL_BRIGHT", "IDC_BORDER_TOL_DARK",
        "IDF_REF_IMG_PERCENT_WIDTH", "IDF_REF_IMG_PERCENT_HEIGHT", "IDC_DEFLATE_LEFT", "IDC_DEFLATE_TOP",
        "IDC_DEFLATE_RIGHT", "IDC_DEFLATE_BOTTOM", "IDF_MIN_PERCENT_IMG", "IDF_MIN_PERCENT_BORDER" };
    for (int model : { 0, 9, 11 }) {
        QTest::addRow("%d colour", model) << IPParamFileName(IPParamFile::AutoColor, model)
                                          << QStringList { "AUTO_COLOR_P", "AUTO_COLOR_N" } << colour;
        QTest::addRow("%d balance", model)
            << IPParamFileName(IPParamFile::RgbBalance, model)
            << QStringList { "RGB_BALANCE_V2_P", "RGB_BALANCE_V2_N" } << balance;
        QTest::addRow("%d crop", model) << IPParamFileName(IPParamFile::AutoCrop, model)
                                        << QStringList { "AUTOCROP_POS", "AUTOCROP_NEG" } << crop;
    }
}

void TestIpParamFiles::shippedIniFilesParse()
{
    QFETCH(QString, file);
    QFETCH(QStringList, sections);
    QFETCH(QStringList, keys);
    // The program reads "./data/..." with the application folder current.
    QVERIFY(QDir::setCurrent(QCoreApplication::applicationDirPath()));
    const QByteArray path = ("./data/" + file).toLocal8Bit();
    QVERIFY2(QFile::exists(path), path.constData());
    for (const QString& section : sections) {
        for (const QString& key : keys) {
            char value[64];
            const int n = IPReadIniString(section.toLatin1().constData(), key.toLatin1().constData(), "",
                value, sizeof value, path.constData());
            QVERIFY2(n > 0, qPrintable(file + " [" + section + "] " + key + " missing"));
            char* end = nullptr;
            std::strtod(value, &end);
            QVERIFY2(
                end != value && *end == '\0', qPrintable(file + " " + key + " is not a number: " + value));
        }
    }
}

QTEST_GUILESS_MAIN(TestIpParamFiles)
#include "test_ipparamfiles.moc"
