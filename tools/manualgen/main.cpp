// Renders the user manual from its Markdown source into an A4 PDF: a title, a table of
// contents with page numbers, each chapter on a new page, page numbers at the foot, and
// the screenshots scaled to the text width (never enlarged beyond their screen size).
//
//   korvane_manualgen <manual.md> <picture folder> <output.pdf>
//
// A picture the source names that is missing from the folder is an error: the manual
// would show an empty space where the text points at it.

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QVector>

#include <cstdio>

namespace
{

constexpr int kResolution = 300;
constexpr qreal kMarginMm = 20;
constexpr qreal kFooterMm = 8;
constexpr int kBodyPointSize = 10;
// Screen pixels per inch at which a screenshot is shown at its natural size.
constexpr qreal kScreenDpi = 96;
// Pictures are stored at most this wide; more pixels would not print sharper at the text width.
constexpr int kMaxPictureWidth = 1100;

struct Heading {
    QString text;
    int level;
    QTextBlock block;
};

struct Picture {
    int position;
    int length;
    QTextImageFormat format;
    bool standalone; // the only thing in its paragraph
};

// Pictures are stored at most kMaxPictureWidth wide and shown at most as wide as the
// text, never enlarged; a picture on a line of its own stands in the middle with its
// description below it. False when a picture is missing.
bool placePictures(QTextDocument& document, const QString& folder, qreal textWidthPixels)
{
    QVector<Picture> pictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const bool standalone = block.text().trimmed() == QString(QChar::ObjectReplacementCharacter);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextImageFormat format = fragment.charFormat().toImageFormat();
            if (format.isValid())
                pictures.append({ fragment.position(), fragment.length(), format, standalone });
        }
    }
    bool complete = true;
    // From the end, so that an inserted description moves no picture still to come.
    for (auto it = pictures.crbegin(); it != pictures.crend(); ++it) {
        QTextImageFormat format = it->format;
        const QString name = format.name();
        QImage picture(QFileInfo(folder + QLatin1Char('/') + name).filePath());
        if (picture.isNull()) {
            std::fprintf(stderr, "korvane_manualgen: missing picture %s\n", qPrintable(name));
            complete = false;
            continue;
        }
        const qreal width = qMin<qreal>(picture.width(), textWidthPixels);
        format.setWidth(width);
        format.setHeight(width * picture.height() / picture.width());
        if (picture.width() > kMaxPictureWidth)
            picture = picture.scaledToWidth(kMaxPictureWidth, Qt::SmoothTransformation);
        document.addResource(QTextDocument::ImageResource, QUrl(name), picture);

        QTextCursor cursor(&document);
        cursor.setPosition(it->position);
        cursor.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
        if (!it->standalone)
            continue;
        QTextBlockFormat centred = cursor.blockFormat();
        centred.setAlignment(Qt::AlignHCenter);
        cursor.setBlockFormat(centred);
        const QString description = format.stringProperty(QTextFormat::ImageAltText);
        if (description.isEmpty())
            continue;
        cursor.movePosition(QTextCursor::EndOfBlock);
        QTextBlockFormat caption = centred;
        caption.setTopMargin(2);
        caption.setBottomMargin(10);
        QTextCharFormat captionText;
        captionText.setFontItalic(true);
        captionText.setFontPointSize(kBodyPointSize - 1);
        cursor.insertBlock(caption, captionText);
        cursor.insertText(description);
    }
    return complete;
}

// Code spans (file names, variables) in a monospaced face. The importer gives them the
// platform's fixed font, which the offscreen platform answers with a proportional one; no
// other span of the Markdown gets a family of its own.
void monospaceCode(QTextDocument& document)
{
    QVector<QPair<int, int>> spans;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat()
                && (format.fontFixedPitch() || format.hasProperty(QTextFormat::FontFamily)))
                spans.append({ fragment.position(), fragment.length() });
        }
    }
    QTextCharFormat code;
    code.setFontFamily(QStringLiteral("DejaVu Sans Mono"));
    for (const auto& span : qAsConst(spans)) {
        QTextCursor cursor(&document);
        cursor.setPosition(span.first);
        cursor.setPosition(span.first + span.second, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(code);
    }
}

// Thin grey rules instead of the heavy double borders of plain tables.
void styleTables(QTextDocument& document)
{
    const QList<QTextFrame*> frames = document.rootFrame()->childFrames();
    for (QTextFrame* frame : frames) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        format.setBorder(0.5);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderBrush(Qt::gray);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        format.setTopMargin(4);
        format.setBottomMargin(8);
        table->setFormat(format);
    }
}

QVector<Heading> headings(const QTextDocument& document)
{
    QVector<Heading> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level == 1 || level == 2)
            found.append({ block.text(), level, block });
    }
    return found;
}

// Every chapter starts on a new page; the title page holds the title and the contents.
void breakBeforeChapters(QTextDocument& document)
{
    bool first = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 1)
            continue;
        if (first) {
            first = false;
            continue;
        }
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor.setBlockFormat(format);
    }
}

int pageOf(const QTextDocument& document, const QTextBlock& block)
{
    const qreal top = document.documentLayout()->blockBoundingRect(block).top();
    return int(top / document.pageSize().height()) + 1;
}

// The contents after the title: one row per chapter and section, its page at the right.
QTextTable* insertContents(QTextDocument& document, const QVector<Heading>& entries)
{
    QTextCursor cursor(document.begin());
    cursor.movePosition(QTextCursor::EndOfBlock);
    QTextBlockFormat title;
    title.setHeadingLevel(2);
    title.setTopMargin(12);
    title.setBottomMargin(6);
    QTextCharFormat titleText;
    titleText.setFontWeight(QFont::Bold);
    titleText.setFontPointSize(kBodyPointSize + 3);
    cursor.insertBlock(title, titleText);
    cursor.insertText(QStringLiteral("Contents"));

    QTextTableFormat table;
    table.setBorder(0);
    table.setCellPadding(1);
    table.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    table.setColumnWidthConstraints(
        { QTextLength(QTextLength::PercentageLength, 90), QTextLength(QTextLength::PercentageLength, 10) });
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextTable* contents = cursor.insertTable(entries.size(), 2, table);
    for (int row = 0; row < entries.size(); ++row) {
        QTextCharFormat text;
        text.setFontPointSize(kBodyPointSize);
        text.setFontWeight(entries.at(row).level == 1 ? QFont::Bold : QFont::Normal);
        QTextCursor name = contents->cellAt(row, 0).firstCursorPosition();
        QTextBlockFormat indent;
        indent.setLeftMargin(entries.at(row).level == 1 ? 0 : 18);
        name.setBlockFormat(indent);
        name.insertText(entries.at(row).text, text);
        QTextCursor page = contents->cellAt(row, 1).firstCursorPosition();
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        page.setBlockFormat(right);
        // A placeholder as wide as any page number, replaced once the pages are known.
        page.insertText(QStringLiteral("000"), text);
    }
    return contents;
}

void fillContents(QTextTable* contents, const QVector<int>& pages)
{
    for (int row = 0; row < pages.size(); ++row) {
        QTextCursor cell = contents->cellAt(row, 1).firstCursorPosition();
        cell.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cell.insertText(QString::number(pages.at(row)));
    }
}

bool render(QTextDocument& document, QPdfWriter& writer)
{
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const QRectF body = QRectF(QPointF(0, 0), document.pageSize());
    const int pageCount = document.pageCount();
    QFont footerFont = document.defaultFont();
    footerFont.setPointSize(kBodyPointSize - 1);
    const qreal footerOffset = writer.pageLayout().paintRectPixels(kResolution).height() - body.height();
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -page * body.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = body.translated(0, page * body.height());
        painter.setClipRect(context.clip);
        document.documentLayout()->draw(&painter, context);
        painter.restore();
        painter.setFont(footerFont);
        painter.setPen(Qt::darkGray);
        const QRectF footer(0, body.height(), body.width(), footerOffset);
        painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom, QString::number(page + 1));
    }
    return painter.end();
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: korvane_manualgen <manual.md> <picture folder> <output.pdf>\n");
        return 2;
    }
    QFile source(arguments.at(1));
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "korvane_manualgen: cannot read %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    const QString output = arguments.at(3);
    // Written beside the target and renamed, so a failed run never leaves half a manual.
    const QString partial = output + QStringLiteral(".part");
    QPdfWriter writer(partial);
    writer.setResolution(kResolution);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("Korvane User Manual"));
    writer.setCreator(QStringLiteral("Korvane"));

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), kBodyPointSize));
    const QSizeF paint = writer.pageLayout().paintRectPixels(kResolution).size();
    const qreal footer = kFooterMm / 25.4 * kResolution;
    document.setPageSize(QSizeF(paint.width(), paint.height() - footer));
    document.setMarkdown(QString::fromUtf8(source.readAll()), QTextDocument::MarkdownDialectGitHub);

    const qreal textWidthPixels = (paint.width() - 2 * document.documentMargin()) * kScreenDpi / kResolution;
    bool ok = placePictures(document, arguments.at(2), textWidthPixels);
    styleTables(document);
    monospaceCode(document);
    breakBeforeChapters(document);
    QVector<Heading> entries = headings(document);
    if (!entries.isEmpty())
        entries.removeFirst(); // the title
    QTextTable* contents = insertContents(document, entries);
    QVector<int> pages;
    for (const Heading& entry : entries)
        pages.append(pageOf(document, entry.block));
    fillContents(contents, pages);

    ok = ok && render(document, writer);
    if (!ok) {
        QFile::remove(partial);
        return 1;
    }
    QFile::remove(output);
    if (!QFile::rename(partial, output)) {
        std::fprintf(stderr, "korvane_manualgen: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("korvane_manualgen: %d pages\n", document.pageCount());
    return 0;
}
