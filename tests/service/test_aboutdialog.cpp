// The about dialog: the versions it shows and its two hidden double clicks.

#include <aboutdialog.h>
#include <manager.h>
#include <scannersdk.h>

#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QtTest>

namespace
{

QLabel* label(QObject& dialog, const char* name)
{
    return dialog.findChild<QLabel*>(QLatin1String(name));
}

// The device information record as a scanner of the given model reports it.
QByteArray deviceRecord(quint16 model, const QByteArray& firmware)
{
    QByteArray record(173, '\0');
    record[0] = char(173);
    record.replace(33, 4, firmware);
    record[117] = char(model & 0xFF);
    record[118] = char(model >> 8);
    return record;
}

} // namespace

class TestAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        manager::instance()->setRawMode(false);
        manager::release();
    }

    void form()
    {
        AboutDialog dialog(nullptr, QString(), QString());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About"));
        QCOMPARE(dialog.size(), QSize(250, 162));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!label(dialog, "label_Korvane_icon")->pixmap(Qt::ReturnByValue).isNull());
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("pushButton")), Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    }

    void versions_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<QString>("hardware");
        QTest::newRow("no record yet") << QByteArray() << QString() << QString();
        QTest::newRow("model 82") << deviceRecord(82, "2.07") << QStringLiteral("v2.07")
                                  << QStringLiteral("v82");
        QTest::newRow("model 84") << deviceRecord(84, "3.10") << QStringLiteral("v3.10")
                                  << QStringLiteral("v84");
        // The model code is unsigned: a high byte must not turn it negative.
        QTest::newRow("large code") << deviceRecord(40000, "9.99") << QStringLiteral("v9.99")
                                    << QStringLiteral("v40000");
        // A scanner reached through SANE shows the code it borrows; the scanner row names it.
        QByteArray named = deviceRecord(83, "SANE");
        named.replace(1, 6, "Noname");
        named.replace(119, 17, "frontend-tester  ");
        QTest::newRow("named device") << named << QStringLiteral("vSANE") << QStringLiteral("v83");
    }

    // Before the scanner's record arrives only the program's version shows.
    void versions()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, firmware);
        QFETCH(QString, hardware);
        manager* data = manager::instance();
        if (!record.isEmpty())
            data->setScannerInfo(record);
        AboutDialog dialog(nullptr, data->firmwareVersion(), data->hardwareVersion());
        QCOMPARE(label(dialog, "label_SW")->text(), QStringLiteral("v1.0.0.1d"));
        QCOMPARE(label(dialog, "label_FW")->text(), firmware);
        QCOMPARE(label(dialog, "label_HW")->text(), hardware);
    }

    void rawModeToggle_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("rawMode");
        QTest::addColumn<QString>("title");
        QTest::newRow("once") << 1 << true << QStringLiteral("Korvane - RAW mode");
        QTest::newRow("twice") << 2 << false << QStringLiteral("Korvane");
        QTest::newRow("three times") << 3 << true << QStringLiteral("Korvane - RAW mode");
    }

    // A double click on the logo switches RAW mode and the main window's title; it
    // never opens the adjust dialog.
    void rawModeToggle()
    {
        QFETCH(int, clicks);
        QFETCH(bool, rawMode);
        QFETCH(QString, title);
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("Korvane"));
        AboutDialog dialog(nullptr, QString(), QString(), &window);
        QSignalSpy adjust(&dialog, &AboutDialog::openAdjust_s);
        dialog.show();
        QLabel* logo = label(dialog, "label_Korvane_icon");
        for (int i = 0; i < clicks; ++i)
            QTest::mouseDClick(logo, Qt::LeftButton);
        QCOMPARE(manager::instance()->isRawMode(), rawMode);
        QCOMPARE(window.windowTitle(), title);
        QCOMPARE(adjust.count(), 0);
    }

    // Only the left button counts; a right double click changes nothing.
    void rightButtonIgnored()
    {
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("Korvane"));
        AboutDialog dialog(nullptr, QString(), QString(), &window);
        QSignalSpy adjust(&dialog, &AboutDialog::openAdjust_s);
        dialog.show();
        QTest::mouseDClick(label(dialog, "label_Korvane_icon"), Qt::RightButton);
        QTest::mouseDClick(dialog.findChild<QGroupBox*>(QStringLiteral("groupBox_about")), Qt::RightButton);
        QVERIFY(!manager::instance()->isRawMode());
        QCOMPARE(window.windowTitle(), QStringLiteral("Korvane"));
        QCOMPARE(adjust.count(), 0);
    }

    // A double click on the information box asks for the adjust dialog, leaves RAW
    // mode alone, and without a linked scanner sends nothing.
    void informationBoxOpensAdjust()
    {
        ScannerSDK unlinked;
        AboutDialog dialog(&unlinked, QString(), QString());
        QSignalSpy adjust(&dialog, &AboutDialog::openAdjust_s);
        dialog.show();
        QTest::mouseDClick(dialog.findChild<QGroupBox*>(QStringLiteral("groupBox_about")), Qt::LeftButton);
        QCOMPARE(adjust.count(), 1);
        QVERIFY(!manager::instance()->isRawMode());
        QVERIFY(!unlinked.requestServiceRecord());
    }
};

QTEST_MAIN(TestAboutDialog)
#include "test_aboutdialog.moc"
