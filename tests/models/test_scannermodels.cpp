#include <scannermodels.h>

#include <QtTest>

#include <set>

class TestScannerModels : public QObject
{
    Q_OBJECT

private slots:
    void parameterIndex_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("index");
        QTest::newRow("82") << 82 << 9;
        QTest::newRow("83") << 83 << 9;
        QTest::newRow("84") << 84 << 11;
        // Unlisted codes get the default files, never an index of a neighbouring code.
        QTest::newRow("no device record") << 0 << 0;
        QTest::newRow("81") << 81 << 0;
        QTest::newRow("85") << 85 << 0;
        QTest::newRow("an index used as a code") << 9 << 0;
        QTest::newRow("negative") << -1 << 0;
        QTest::newRow("largest 16-bit") << 65535 << 0;
    }
    void parameterIndex()
    {
        QFETCH(int, code);
        QFETCH(int, index);
        QCOMPARE(ScannerModels::parameterIndex(code), index);
        QCOMPARE(ScannerModels::isSupported(code), index != 0);
    }

    void resolutions_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<bool>("quality");
        QTest::addColumn<int>("deviceDpi");
        QTest::addColumn<int>("output");
        QTest::newRow("82 Quality") << 82 << true << 3600 << 3600;
        QTest::newRow("82 Normal") << 82 << false << 1800 << 1800;
        QTest::newRow("83 Normal") << 83 << false << 1800 << 1800;
        QTest::newRow("84 Quality is doubled") << 84 << true << 5000 << 10000;
        QTest::newRow("84 Normal") << 84 << false << 5000 << 5000;
        QTest::newRow("unlisted model") << 85 << true << 0 << 0;
    }
    void resolutions()
    {
        QFETCH(int, model);
        QFETCH(bool, quality);
        QFETCH(int, deviceDpi);
        QFETCH(int, output);
        QCOMPARE(ScannerModels::deviceDpi(model, quality), deviceDpi);
        QCOMPARE(ScannerModels::outputDpi(model, quality), output);
    }

    void filmTermTables_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("table");
        QTest::newRow("9 positive") << 9 << 0 << 2;
        QTest::newRow("9 default negative") << 9 << 3 << 5;
        QTest::newRow("11 positive") << 11 << 0 << 6;
        QTest::newRow("11 generic negative") << 11 << 2 << 8;
        QTest::newRow("11 default negative") << 11 << 3 << 9;
        QTest::newRow("index 0 has none") << 0 << 0 << -1;
        QTest::newRow("a code is not an index") << 84 << 0 << -1;
        QTest::newRow("step past the four") << 9 << 4 << -1;
        QTest::newRow("negative step") << 11 << -1 << -1;
    }
    void filmTermTables()
    {
        QFETCH(int, index);
        QFETCH(int, step);
        QFETCH(int, table);
        QCOMPARE(ScannerModels::filmTermTable(index, step), table);
    }

    // The lookups take the first entry of a code or of an index, so a second entry
    // that disagreed would silently never be read.
    void tableIsConsistent()
    {
        std::set<int> codes;
        for (const ScannerModels::Model& model : ScannerModels::kModels) {
            QVERIFY2(codes.insert(model.code).second, "a model code is listed twice");
            QVERIFY(model.parameterIndex != 0);
            QVERIFY(model.code >= 0 && model.code <= 0xFFFF);
            QCOMPARE(ScannerModels::filmTermTable(model.parameterIndex, 0), model.firstFilmTermTable);
            // Files are written at the output resolution, which is never below the scan's;
            // where it is above, it must be the one enlargement the file writers know.
            for (std::size_t choice = 0; choice < 2; ++choice) {
                QVERIFY(model.outputDpi[choice] >= model.deviceDpi[choice]);
                if (model.outputDpi[choice] != model.deviceDpi[choice]) {
                    QCOMPARE(model.deviceDpi[choice], ScannerModels::enlargement().scannedDpi);
                    QCOMPARE(model.outputDpi[choice], ScannerModels::enlargement().outputDpi);
                }
            }
        }
        QCOMPARE(QString::fromStdString(ScannerModels::codeList()), QStringLiteral("82, 83, 84"));
    }

    void enlargement()
    {
        QCOMPARE(ScannerModels::enlargement().scannedDpi, 5000);
        QCOMPARE(ScannerModels::enlargement().outputDpi, 10000);
    }

    void balances()
    {
        QCOMPARE(ScannerModels::find(82)->presetBalance, (ScannerModels::Balance { { 137, 139, 133 } }));
        QCOMPARE(ScannerModels::find(84)->presetBalance, (ScannerModels::Balance { { 136, 143, 135 } }));
        QVERIFY(!ScannerModels::find(85));
        QCOMPARE(ScannerModels::multipassHighlight(83), 3.0);
        QCOMPARE(ScannerModels::multipassHighlight(84), 4.0);
        QCOMPARE(ScannerModels::multipassHighlight(0), 4.0);
    }
};

QTEST_GUILESS_MAIN(TestScannerModels)
#include "test_scannermodels.moc"
