// File > Language... while the main window is open: the question comes with the shown
// language selected, the answer is stored, and every text of the open windows changes at
// once, also the texts the windows made themselves (a saved scan's size, the brightness,
// the service-mode title), without losing the state they tell.
#include "adjustdialog.h"
#include "mainform.h"
#include "mainwindow.h"

#include <manager.h>
#include <scannersdk.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// Answers the language question with a row (or Cancel with -1) and accepts every
// message box, noting the row that was selected when the question came and each box's text.
class Answerer : public QObject
{
public:
    explicit Answerer(int row)
        : m_row(row)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxes << box->text();
                box->accept();
            } else if (modal && modal->findChild<QListWidget*>(QStringLiteral("listWidget_Lang"))) {
                auto* list = modal->findChild<QListWidget*>(QStringLiteral("listWidget_Lang"));
                auto* buttons = modal->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
                offered = list->currentRow();
                if (m_row < 0) {
                    buttons->button(QDialogButtonBox::Cancel)->click();
                } else {
                    list->setCurrentRow(m_row);
                    buttons->button(QDialogButtonBox::Ok)->click();
                }
            }
        });
        m_timer.start(5);
    }

    int offered = -2;
    QStringList boxes;

private:
    int m_row;
    QTimer m_timer;
};

int storedLanguage()
{
    return QSettings(manager::languageChoiceFile(), QSettings::IniFormat)
        .value(QStringLiteral("Lang"), -1)
        .toInt();
}

} // namespace

class TestLanguageSwitch : public QObject
{
    Q_OBJECT

public:
    // What the user reads in the main window and its service windows.
    QStringList shownTexts() const
    {
        MainForm* form = m_window->mainForm();
        QMenu* file = m_window->menuBar()->findChild<QMenu*>(QStringLiteral("menuExit"));
        return { file->title(), m_window->findChild<QAction*>(QStringLiteral("actionLanguage"))->text(),
            form->findChild<QPushButton*>(QStringLiteral("preScan"))->text(),
            form->findChild<QLabel*>(QStringLiteral("label_Width"))->text(),
            form->findChild<QLabel*>(QStringLiteral("label_Brightness"))->text(),
            form->findChild<QLabel*>(QStringLiteral("label_suggested"))->text(),
            form->findChild<QWidget*>(QStringLiteral("scannerView"))->accessibleName(),
            m_window->windowTitle(), m_window->adjustDialog()->windowTitle() };
    }

    void chooseLanguage(int row, int expectedOffer)
    {
        Answerer answerer(row);
        m_window->findChild<QAction*>(QStringLiteral("actionLanguage"))->trigger();
        QCOMPARE(answerer.offered, expectedOffer);
        QVERIFY2(answerer.boxes.isEmpty(), qPrintable(answerer.boxes.join(QLatin1Char('|'))));
        // The windows are told through posted events.
        QApplication::processEvents();
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        manager* data = manager::instance();
        QVERIFY(data->loadLanguageMap());
        QCOMPARE(
            data->languageNames(), QStringList({ QStringLiteral("English"), QStringLiteral("Deutsch") }));
        QVERIFY(data->setLanguage(0));
        QVERIFY(data->loadLanguage(0));
        data->installTranslators();
        data->initProfiles();
        m_window = std::make_unique<MainWindow>();
        m_window->setWindowTitle(QStringLiteral("Korvane"));
        m_window->show();
    }
    void cleanupTestCase()
    {
        m_window.reset();
        manager::release();
    }

    void englishToGermanAndBack()
    {
        MainForm* form = m_window->mainForm();
        // State the texts tell: a saved scan, a moved slider, an open service window.
        QTemporaryDir folder;
        const QString scan = folder.filePath(QStringLiteral("Film0001.jpg"));
        QVERIFY(QImage(64, 48, QImage::Format_RGB888).save(scan));
        ScannerSDK* worker = manager::instance()->scanner();
        emit worker->scannerScanImage_s(scan);
        RequestOutcome outcome;
        outcome.serial = 1000000;
        outcome.kind = ScannerSDK::RequestScan;
        emit worker->scannerRequestEnded_s(outcome);
        QApplication::processEvents();
        form->findChild<QSlider*>(QStringLiteral("horizontalSlider_brightness"))->setValue(37);
        m_window->openAdjust();
        QVERIFY(m_window->adjustDialog()->isVisible());

        const QStringList english { QStringLiteral("&File"), QStringLiteral("&Language..."),
            QStringLiteral("Prescan"), QStringLiteral("Width: 64 pixels"), QStringLiteral("Brightness : 37"),
            QStringLiteral("Tissue Sections"), QStringLiteral("Preview"),
            QStringLiteral("Korvane - Engineer mode"), QStringLiteral("Adjust Setting") };
        const QStringList german { QStringLiteral("&Datei"), QStringLiteral("Sp&rache..."),
            QStringLiteral("Vorschau"), QStringLiteral("Breite: 64 Pixel"), QStringLiteral("Helligkeit: 37"),
            QStringLiteral("Gewebeschnitte"), QStringLiteral("Vorschau"),
            QStringLiteral("Korvane - Technikermodus"), QStringLiteral("Abgleicheinstellungen") };
        QCOMPARE(shownTexts(), english);

        chooseLanguage(1, 0);
        QCOMPARE(shownTexts(), german);
        QCOMPARE(storedLanguage(), 1);
        QCOMPARE(form->savedFile(), scan);

        chooseLanguage(0, 1);
        QCOMPARE(shownTexts(), english);
        QCOMPARE(storedLanguage(), 0);

        m_window->openAdjust();
        QVERIFY(!m_window->adjustDialog()->isVisible());
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Korvane"));
    }

    // Cancel, or the language already shown, changes nothing and says nothing.
    void unchangedChoice_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("cancel") << -1;
        QTest::newRow("same language") << 0;
    }
    void unchangedChoice()
    {
        QFETCH(int, row);
        const QStringList before = shownTexts();
        const QDateTime stored = QFileInfo(manager::languageChoiceFile()).lastModified();
        QTest::qWait(20);
        chooseLanguage(row, 0);
        QCOMPARE(shownTexts(), before);
        QCOMPARE(QFileInfo(manager::languageChoiceFile()).lastModified(), stored);
    }

    // A language whose file does not load leaves the shown one, and nothing is stored.
    void unloadableLanguageKeepsTheShownOne()
    {
        manager* data = manager::instance();
        const QStringList before = shownTexts();
        const QString problem = data->switchLanguage(data->languageNames().size());
        QApplication::processEvents();
        QVERIFY(problem.contains(QStringLiteral("missing or damaged")));
        QCOMPARE(shownTexts(), before);
        QCOMPARE(storedLanguage(), 0);
        QCOMPARE(QCoreApplication::translate("MainWindow", "&File"), QStringLiteral("&File"));
    }

    // Where the choice cannot be stored, the windows still switch and the user is told
    // that it lasts only this session.
    void unstorableChoiceIsTold()
    {
        const QString ini = manager::languageChoiceFile();
        QVERIFY(QFile::remove(ini));
        QVERIFY(QDir().mkdir(ini));
        Answerer answerer(1);
        m_window->findChild<QAction*>(QStringLiteral("actionLanguage"))->trigger();
        QApplication::processEvents();
        QVERIFY(QDir().rmdir(ini));
        QCOMPARE(answerer.boxes.size(), 1);
        QVERIFY2(answerer.boxes.first().contains(QDir::toNativeSeparators(ini)),
            qPrintable(answerer.boxes.first()));
        QCOMPARE(shownTexts().first(), QStringLiteral("&Datei"));
        QVERIFY(!QFileInfo::exists(ini));
    }

private:
    std::unique_ptr<MainWindow> m_window;
};

QTEST_MAIN(TestLanguageSwitch)
#include "test_languageswitch.moc"
