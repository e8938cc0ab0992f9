// The main window around the main form: the close question (once, and only when a
// prescan would be lost), the unplugged scanner, and the user manual.
#include "mainform.h"
#include "mainwindow.h"

#include <editorprompts.h>
#include <manager.h>
#include <scannersdk.h>
#include <stimage.h>

#include <QAction>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace
{

// Answers the window's boxes in place of the user, questions with the given button,
// and notes each box's title and text.
class BoxAnswerer : public EditorPrompts
{
public:
    BoxAnswerer(MainWindow& window, QMessageBox::StandardButton answer)
        : m_window(window)
        , m_answer(answer)
    {
        window.setPrompts(this);
    }
    ~BoxAnswerer() override { m_window.setPrompts(nullptr); }

    void critical(QWidget*, const QString& title, const QString& text) override { note(title, text); }
    void warning(QWidget*, const QString& title, const QString& text) override { note(title, text); }
    void information(QWidget*, const QString& title, const QString& text) override { note(title, text); }
    bool question(QWidget*, const QString& title, const QString& text) override
    {
        note(title, text);
        return m_answer == QMessageBox::Yes;
    }

    QStringList boxes;

private:
    void note(const QString& title, const QString& text) { boxes << title + QLatin1Char('|') + text; }

    MainWindow& m_window;
    QMessageBox::StandardButton m_answer;
};

// A prescan as the worker would deliver it.
void givePrescan(MainWindow& window)
{
    STImage image = STImage::zeroed(43, 29, 16, 3);
    for (std::uint32_t y = 0; y < image.height(); ++y)
        for (std::uint32_t x = 0; x < image.width(); ++x)
            image.setRed(x, y, 1000 * x);
    ScannerSDK* worker = manager::instance()->scanner();
    emit worker->scannerPreScan_s(image);
    RequestOutcome outcome;
    outcome.serial = 1000000;
    outcome.kind = ScannerSDK::RequestPrescan;
    emit worker->scannerRequestEnded_s(outcome);
    QVERIFY(window.mainForm()->hasPrescan());
}

} // namespace

class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        manager::instance()->initProfiles();
    }

    void cleanupTestCase() { manager::release(); }

    void formIsTheCentralWidget()
    {
        MainWindow window;
        QVERIFY(window.mainForm());
        QCOMPARE(window.mainForm()->objectName(), QStringLiteral("widget"));
        QVERIFY(window.centralWidget()->isAncestorOf(window.mainForm()));
    }

    void closesWithoutQuestionBeforeAPrescan()
    {
        MainWindow window;
        window.show();
        BoxAnswerer answerer(window, QMessageBox::No);
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
        QVERIFY(answerer.boxes.isEmpty());
    }

    void closeQuestion_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("menu, no") << true << int(QMessageBox::No) << false;
        QTest::newRow("menu, yes") << true << int(QMessageBox::Yes) << true;
        QTest::newRow("close box, no") << false << int(QMessageBox::No) << false;
        QTest::newRow("close box, yes") << false << int(QMessageBox::Yes) << true;
    }

    // Asked once whichever way the user closes; No keeps the window.
    void closeQuestion()
    {
        QFETCH(bool, fromMenu);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        MainWindow window;
        window.show();
        givePrescan(window);
        BoxAnswerer answerer(window, QMessageBox::StandardButton(answer));
        if (fromMenu)
            window.findChild<QAction*>(QStringLiteral("actionExit"))->trigger();
        else
            window.close();
        QCOMPARE(answerer.boxes, QStringList { QStringLiteral("Korvane|Are you sure to exit Korvane?") });
        QCOMPARE(window.isVisible(), !closed);
    }

    void userManual()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        MainWindow window;
        BoxAnswerer answerer(window, QMessageBox::Ok);
        const QString path = MainWindow::manualPath();
        QVERIFY(path.endsWith(QStringLiteral("/manual/manual_English 002.pdf")));
        const bool shipped = QFile::exists(path);
        if (!shipped) {
            window.findChild<QAction*>(QStringLiteral("actionUserManual"))->trigger();
            QTRY_COMPARE(answerer.boxes.size(), 1);
            QVERIFY(answerer.boxes.first().contains(QDir::toNativeSeparators(path)));
            QVERIFY(catcher.urls.isEmpty());
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("%PDF-1.4\n");
        }
        window.findChild<QAction*>(QStringLiteral("actionUserManual"))->trigger();
        QCOMPARE(catcher.urls, QList<QUrl> { QUrl::fromLocalFile(path) });
        QCOMPARE(answerer.boxes.size(), shipped ? 0 : 1);
        if (!shipped)
            QFile::remove(path);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    // An unplugged scanner ends the program after its message, without the question.
    // Last: once the application has been told to quit, no further dialog runs.
    void disconnectQuits()
    {
        MainWindow window;
        window.show();
        givePrescan(window);
        BoxAnswerer answerer(window, QMessageBox::No);
        QEventLoop loop;
        QTimer::singleShot(0, &window, &MainWindow::Scanner_disconnect);
        QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
        QCOMPARE(loop.exec(), 0);
        QCOMPARE(answerer.boxes, QStringList { QStringLiteral("Korvane|Scanner disconnect") });
        window.close();
        QCOMPARE(answerer.boxes.size(), 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
