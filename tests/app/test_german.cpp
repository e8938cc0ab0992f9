// With German chosen, every window and dialog a user can open must show German only.
// Each text a widget shows is matched against the German side of the translation
// file (with its placeholders as wildcards); what matches nothing there is a text that
// escaped translation: a missing tr(), a form string marked untranslatable, or a text
// built from English pieces.
#include "aboutdialog.h"
#include "adjustdialog.h"
#include "customdialog.h"
#include "engineerdialog.h"
#include "fwupdatedialog.h"
#include "languagedialog.h"
#include "mainwindow.h"
#include "manager.h"
#include "notifydialog.h"
#include "preferencesdialog.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QXmlStreamReader>
#include <QtTest>

#include <memory>

namespace
{

QString plain(QString text)
{
    if (Qt::mightBeRichText(text))
        text = QTextDocumentFragment::fromHtml(text).toPlainText();
    text.remove(QRegularExpression(QStringLiteral("&(?=[^&])")));
    return text.simplified();
}

// The German side of the translation file as whole-text patterns.
QVector<QRegularExpression> germanPatterns()
{
    QFile file(QStringLiteral(KORVANE_SOURCE_DIR "/data/translator/korvane_de.ts"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QVector<QRegularExpression> patterns;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()
            || (xml.name() != QLatin1String("translation") && xml.name() != QLatin1String("numerusform")))
            continue;
        const QString german = plain(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        if (german.isEmpty())
            continue;
        // Placeholders become wildcards; the text between them must match as it is.
        QStringList pieces = german.split(QRegularExpression(QStringLiteral("%(?:\\d|n)")));
        for (QString& piece : pieces)
            piece = QRegularExpression::escape(piece);
        const QString pattern = pieces.join(QStringLiteral(".*"));
        patterns.append(QRegularExpression(QStringLiteral("\\A(?:") + pattern + QStringLiteral(")\\z"),
            QRegularExpression::DotMatchesEverythingOption));
    }
    return patterns;
}

void collect(QStringList& texts, const QString& text)
{
    const QString shown = plain(text);
    // A folder's path (the information panel's tool tip) is the user's, in no language.
    if (QDir::isAbsolutePath(shown))
        return;
    // Numbers, units of one letter and blanks are the same in both languages.
    static const QRegularExpression word(QStringLiteral("[A-Za-zÄÖÜäöüß]{2,}"));
    if (shown.contains(word))
        texts.append(shown);
}

QStringList shownTexts(QWidget* window)
{
    QStringList texts;
    collect(texts, window->windowTitle());
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : qAsConst(widgets)) {
        collect(texts, widget->toolTip());
        collect(texts, widget->accessibleName());
        collect(texts, widget->accessibleDescription());
        collect(texts, widget->statusTip());
        collect(texts, widget->whatsThis());
        if (auto* label = qobject_cast<QLabel*>(widget))
            collect(texts, label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            collect(texts, button->text());
        if (auto* group = qobject_cast<QGroupBox*>(widget))
            collect(texts, group->title());
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            collect(texts, edit->placeholderText());
        if (auto* box = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < box->count(); ++i)
                collect(texts, box->itemText(i));
        }
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                collect(texts, tabs->tabText(i));
                collect(texts, tabs->tabToolTip(i));
            }
        }
        if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
            collect(texts, spin->prefix());
            collect(texts, spin->suffix());
        }
        if (auto* spin = qobject_cast<QDoubleSpinBox*>(widget)) {
            collect(texts, spin->prefix());
            collect(texts, spin->suffix());
        }
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget))
            collect(texts, spin->specialValueText());
        if (auto* menu = qobject_cast<QMenu*>(widget))
            collect(texts, menu->title());
        for (QAction* action : widget->actions()) {
            collect(texts, action->text());
            collect(texts, action->toolTip());
        }
    }
    texts.removeDuplicates();
    return texts;
}

} // namespace

// Labels and buttons whose German text needs more room than the form gives them: the
// forms place most widgets at fixed positions, sized for the English texts.
QStringList clippedTexts(QWidget* window)
{
    QStringList clipped;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->wordWrap() || !label->pixmap(Qt::ReturnByValue).isNull())
                continue;
            text = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            text = button->text();
        } else {
            continue;
        }
        if (plain(text).isEmpty())
            continue;
        // A push button's size hint has a style minimum; its text only needs a margin.
        const int needed = qobject_cast<QPushButton*>(widget)
            ? widget->fontMetrics().horizontalAdvance(plain(text)) + 8
            : widget->sizeHint().width();
        if (needed > widget->width())
            clipped.append(
                QStringLiteral("%1 (%2 of %3 px)").arg(plain(text)).arg(needed).arg(widget->width()));
    }
    return clipped;
}

class TestGerman : public QObject
{
    Q_OBJECT

    QVector<QRegularExpression> m_german;

    QStringList untranslated(QWidget* window)
    {
        window->show();
        QApplication::processEvents();
        QStringList found;
        for (const QString& text : shownTexts(window)) {
            const bool german = std::any_of(m_german.cbegin(), m_german.cend(),
                [&text](const QRegularExpression& pattern) { return pattern.match(text).hasMatch(); });
            if (!german)
                found.append(text);
        }
        window->hide();
        return found;
    }

private slots:
    void initTestCase()
    {
        manager* data = manager::instance();
        QVERIFY(data->loadLanguageMap());
        QCOMPARE(data->languageNames().value(1), QStringLiteral("Deutsch"));
        QVERIFY(data->loadLanguage(1));
        QCoreApplication::installTranslator(data->qtTranslator());
        QCoreApplication::installTranslator(data->translator());
        m_german = germanPatterns();
        QVERIFY(m_german.size() > 200);
    }
    void cleanupTestCase() { manager::release(); }

    void everyWindowShowsGermanOnly_data()
    {
        QTest::addColumn<QString>("window");
        for (const char* name : { "main window", "language", "wait", "profile editor", "preferences",
                 "firmware update", "about", "engineer", "adjust" })
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void everyWindowShowsGermanOnly()
    {
        QFETCH(QString, window);
        ScannerSDK* worker = manager::instance()->scanner();
        std::unique_ptr<QWidget> shown;
        if (window == QLatin1String("main window"))
            shown = std::make_unique<MainWindow>();
        else if (window == QLatin1String("language"))
            shown = std::make_unique<LanguageDialog>();
        else if (window == QLatin1String("wait"))
            shown = std::make_unique<NotifyDialog>();
        else if (window == QLatin1String("profile editor"))
            shown = std::make_unique<CustomDialog>();
        else if (window == QLatin1String("preferences"))
            shown = std::make_unique<PreferencesDialog>();
        else if (window == QLatin1String("firmware update"))
            shown = std::make_unique<FWUpdateDialog>(worker, QStringLiteral("1.00"));
        else if (window == QLatin1String("about"))
            shown = std::make_unique<AboutDialog>(worker, QStringLiteral("1.00"), QStringLiteral("2.00"));
        else if (window == QLatin1String("engineer"))
            shown = std::make_unique<EngineerDialog>(worker);
        else if (window == QLatin1String("adjust"))
            shown = std::make_unique<adjustdialog>();
        QVERIFY(shown);
        // The program's 12-pixel font, as start-up gives every window.
        QFont font = QApplication::font();
        font.setPixelSize(12);
        QApplication::setFont(font);
        const QStringList english = untranslated(shown.get());
        QVERIFY2(english.isEmpty(), qPrintable(english.join(QStringLiteral(" | "))));
        shown->show();
        QApplication::processEvents();
        const QStringList clipped = clippedTexts(shown.get());
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(" | "))));
    }

    // Qt's own parts of the windows: the standard buttons of every message box and
    // the file dialogs of import, export and firmware.
    void qtTextsAreGermanToo()
    {
        QMessageBox box(QMessageBox::Question, QString(), QString(),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
        QCOMPARE(plain(box.button(QMessageBox::Yes)->text()), QStringLiteral("Ja"));
        QCOMPARE(plain(box.button(QMessageBox::No)->text()), QStringLiteral("Nein"));
        QCOMPARE(plain(box.button(QMessageBox::Cancel)->text()), QStringLiteral("Abbrechen"));

        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.show();
        QApplication::processEvents();
        const QStringList labels = [&dialog] {
            QStringList texts;
            for (QLabel* label : dialog.findChildren<QLabel*>())
                texts.append(plain(label->text()));
            return texts;
        }();
        QVERIFY2(
            labels.contains(QStringLiteral("Dateiname:")), qPrintable(labels.join(QStringLiteral(" | "))));
    }
};

QTEST_MAIN(TestGerman)
#include "test_german.moc"
