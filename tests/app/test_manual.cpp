// The user manual the build renders beside the program: a whole PDF of a sensible length
// where Help > User Manual looks for it, every chapter of the source in it, the engineer
// window's key combination named, and every message the program's code can show explained
// in its Messages chapter.
#include "commandline.h"
#include "desktop.h"
#include "mainwindow.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QtTest>

namespace
{

constexpr int kMinimumPages = 12;
constexpr int kMaximumPages = 60;
constexpr qint64 kMaximumBytes = 5 * 1024 * 1024;

// Chapters a new user needs, whatever else the manual grows.
const char* const kRequiredChapters[]
    = { "First start and language", "Linking the scanner", "The main window", "The ten scanning modes",
          "Prescan and the preview tools", "Scanning and the information panel", "Output file names",
          "The profile editor", "Preferences", "Import and export of profiles", "Firmware update",
          "Service functions", "The simulated scanner", "Messages" };

// Translated texts of the code that are no messages: labels and their parts, window
// titles, captions and filters of file dialogs, units. Any other text is something the
// program tells the user, and the Messages chapter must explain it.
const QSet<QString>& notMessages()
{
    static const QSet<QString> texts { QStringLiteral("Korvane"), QStringLiteral("Error"),
        QStringLiteral("Prescan"), QStringLiteral("Scan"), QStringLiteral("Preview"),
        QStringLiteral("Update firmware"), QStringLiteral("Engineer Setting"),
        QStringLiteral("Adjust Setting"), QStringLiteral("Tissue Sections"), QStringLiteral("Common Things"),
        QStringLiteral("Aquatic Organisms"), QStringLiteral("Positive Color"),
        QStringLiteral("Negative Color"), QStringLiteral("Quality"), QStringLiteral("Normal"),
        QStringLiteral("8 bit"), QStringLiteral("16 bit"), QStringLiteral("8bit"), QStringLiteral("16bit"),
        QStringLiteral("Image Resolution: %1"), QStringLiteral("Color Depth: %1"),
        QStringLiteral("File Format: %1"), QStringLiteral("Directory: %1"), QStringLiteral("Size: %1 MB"),
        QStringLiteral("Size: 0 MB"), QStringLiteral("Width: %1 pixels"), QStringLiteral("Width: 0 pixels"),
        QStringLiteral("Height: %1 pixels"), QStringLiteral("Hight: 0 pixels"),
        QStringLiteral("Brightness : %1"), QStringLiteral("Brightness : 0"), QStringLiteral("Last saved: %1"),
        QStringLiteral("0.5 %1"), QStringLiteral("inch"), QStringLiteral("cm"),
        QStringLiteral("Select directory for save"), QStringLiteral("Select firmware file "),
        QStringLiteral("bin File(*.bin)"), QStringLiteral("Select kor Project File"),
        QStringLiteral("Select kor project file for save"), QStringLiteral("Kor Project(*.kor)"),
        QStringLiteral("Untitled.kor"), QStringLiteral("Simulated scanner (built in)"),
        CommandLine::helpText() };
    return texts;
}

QString readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString simplified(QString text)
{
    // Markdown's emphasis and hard line breaks are no part of the words.
    text.remove(QStringLiteral("**"));
    text.replace(QRegularExpression(QStringLiteral("\\\\\\n")), QStringLiteral("\n"));
    return text.simplified();
}

QString unescaped(const QString& literal)
{
    QString text;
    for (int i = 0; i < literal.size(); ++i) {
        if (literal.at(i) == QLatin1Char('\\') && i + 1 < literal.size()) {
            ++i;
            text += literal.at(i) == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : literal.at(i);
        } else {
            text += literal.at(i);
        }
    }
    return text;
}

// The texts of every tr() call in the program's sources, adjacent literals joined.
QSet<QString> translatedTexts()
{
    static const QRegularExpression call(
        QStringLiteral("\\btr\\(\\s*((?:\"(?:[^\"\\\\]|\\\\.)*\"\\s*)+)[,)]"));
    static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
    QSet<QString> texts;
    QDirIterator files(QStringLiteral(KORVANE_SOURCE_DIR "/src"), { QStringLiteral("*.cpp") }, QDir::Files,
        QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = readAll(files.next());
        auto calls = call.globalMatch(source);
        while (calls.hasNext()) {
            QString text;
            auto parts = literal.globalMatch(calls.next().captured(1));
            while (parts.hasNext())
                text += unescaped(parts.next().captured(1));
            texts.insert(text);
        }
    }
    return texts;
}

QString manualSource()
{
    return readAll(QStringLiteral(KORVANE_SOURCE_DIR "/docs/manual/manual.md"));
}

QStringList sourceHeadings()
{
    static const QRegularExpression heading(
        QStringLiteral("^#{1,2} (.+)$"), QRegularExpression::MultilineOption);
    QStringList found;
    auto matches = heading.globalMatch(manualSource());
    while (matches.hasNext())
        found.append(matches.next().captured(1).trimmed());
    return found;
}

// The PDF's text through pdftotext; empty when the tool is not installed.
QString pdfText()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return QString();
    QProcess process;
    process.start(tool, { MainWindow::manualPath(), QStringLiteral("-") });
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("pdftotext failed");
    // The PDF keeps the fonts' ligatures ("fi" as one character); compatibility
    // normalisation spells them out again.
    return QString::fromUtf8(process.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC)
        .simplified();
}

} // namespace

class TestManual : public QObject
{
    Q_OBJECT

private slots:
    void wholePdfWhereHelpLooks()
    {
        const QString path = MainWindow::manualPath();
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.trimmed().endsWith("%%EOF"));
        QVERIFY2(bytes.size() < kMaximumBytes, qPrintable(QString::number(bytes.size())));
        const int pages = bytes.count("/Type /Page\n");
        QVERIFY2(pages >= kMinimumPages && pages <= kMaximumPages, qPrintable(QString::number(pages)));
    }

    // The desktop is handed a file URL whose blank is encoded and which leads back to
    // the same file.
    void manualUrlKeepsItsBlank()
    {
        const QString path = MainWindow::manualPath();
        const QUrl url = Desktop::documentUrl(path);
        QVERIFY(url.isLocalFile());
        QCOMPARE(url.toLocalFile(), path);
        QVERIFY(url.toEncoded().endsWith("/manual/manual_English%20002.pdf"));
    }

    void chapters_data()
    {
        QTest::addColumn<QString>("heading");
        QStringList headings = sourceHeadings();
        for (const char* chapter : kRequiredChapters) {
            const QString required = QString::fromLatin1(chapter);
            if (!headings.contains(required))
                headings.append(required);
        }
        for (const QString& heading : qAsConst(headings))
            QTest::newRow(qPrintable(heading)) << heading;
    }

    // Every chapter of the source and every required one is in the source and in the PDF.
    void chapters()
    {
        QFETCH(QString, heading);
        QVERIFY2(sourceHeadings().contains(heading), "not a heading of docs/manual/manual.md");
        static const QString text = pdfText();
        if (text.isEmpty())
            QSKIP("pdftotext is not installed");
        QVERIFY(text.contains(heading));
    }

    void engineerShortcutNamed()
    {
        const QString keys = MainWindow::engineerShortcut().toString(QKeySequence::PortableText);
        QCOMPARE(keys, QStringLiteral("Ctrl+Shift+E"));
        QVERIFY(manualSource().contains(keys));
        const QString text = pdfText();
        if (text.isEmpty())
            QSKIP("pdftotext is not installed");
        QVERIFY(text.contains(keys));
    }

    void messagesExplained_data()
    {
        QTest::addColumn<QString>("message");
        const QSet<QString> texts = translatedTexts();
        // A broken extraction would pass every row by having none.
        QVERIFY(texts.size() > 60);
        QVERIFY(texts.contains(QStringLiteral("Scanner disconnect")));
        QStringList messages;
        for (const QString& text : texts)
            if (!notMessages().contains(text))
                messages.append(text);
        messages.sort();
        for (const QString& message : qAsConst(messages))
            QTest::newRow(qPrintable(message.left(60))) << message;
    }

    // The words of each message around its %1 and %2 appear in the Messages chapter.
    void messagesExplained()
    {
        QFETCH(QString, message);
        const QString source = manualSource();
        const int chapter = source.indexOf(QStringLiteral("\n# Messages\n"));
        QVERIFY(chapter > 0);
        const QString explained = simplified(source.mid(chapter));
        const QStringList pieces
            = simplified(message).split(QRegularExpression(QStringLiteral("%\\d")), Qt::SkipEmptyParts);
        QVERIFY(!pieces.isEmpty());
        for (const QString& piece : pieces)
            QVERIFY2(explained.contains(piece.trimmed()), qPrintable(piece));
    }
};

QTEST_MAIN(TestManual)
#include "test_manual.moc"
