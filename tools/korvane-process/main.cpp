// korvane-process: runs the application's analyses and final-scan (or prescan)
// pipeline on a 16-bit RGB TIFF, such as the RAW-mode dump of a scan, and writes
// the result with the application's file writers.
//
//   korvane-process [--prescan] [--stages DIR] --profile FILE.kor --model CODE INPUT.tif OUTPUT

#include "tiffinput.h"

#include <cip_filmterms.h>
#include <finalfile.h>
#include <outputcommit.h>
#include <processingsteps.h>
#include <profileprocessingoptions.h>
#include <scannermodels.h>
#include <scanprofile.h>
#include <stimage.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <array>
#include <cstdio>

namespace
{

QString tr(const char* text)
{
    return QCoreApplication::translate("korvane-process", text);
}

// The model codes the tool accepts, as the model table lists them.
QString supportedModels()
{
    return QString::fromStdString(ScannerModels::codeList());
}

int fail(const QString& message)
{
    std::fprintf(stderr, "korvane-process: %s\n", qUtf8Printable(message));
    return 1;
}

// ".korvane-process.<host>.<pid>.XXXXXX": the host, so that a folder shared with
// another machine never loses that machine's running work.
QString workFolderTemplate(const QString& outputFolder)
{
    return outputFolder + QLatin1String("/.korvane-process.") + OutputCommit::hostTag() + QLatin1Char('.')
        + QString::number(QCoreApplication::applicationPid()) + QLatin1String(".XXXXXX");
}

void removeAbandonedWorkFolders(const QString& folder)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.korvane-process\\.([A-Za-z0-9_-]+)\\.(\\d+)\\.[^.]+$"));
    const QDir dir(folder);
    const QStringList names = dir.entryList(
        { QStringLiteral(".korvane-process.*") }, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch() && OutputCommit::writerGone(match.captured(1), match.captured(2).toLongLong()))
            QDir(dir.filePath(name)).removeRecursively();
    }
}

void printTime(const QString& step, qint64 nanoseconds)
{
    std::printf("%-60s %10.1f ms\n", qUtf8Printable(step), double(nanoseconds) / 1e6);
    std::fflush(stdout);
}

struct Arguments {
    bool prescan = false;
    QString stages;
    QString profile;
    int model = 0;
    QString input;
    QString output;
};

// Parses the command line; false (with the message in error) on bad use.
bool parse(const QCoreApplication& app, Arguments& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Re-processes a 16-bit RGB TIFF (a RAW-mode scan or prescan dump) with Korvane's pipeline."));
    parser.addHelpOption();
    const QCommandLineOption prescan(
        QStringLiteral("prescan"), tr("Run the prescan pipeline instead of the final scan's."));
    const QCommandLineOption stages(
        QStringLiteral("stages"), tr("Write every stage image into DIR."), tr("DIR"));
    const QCommandLineOption profile(
        QStringLiteral("profile"), tr("The profile file (.kor)."), tr("FILE.kor"));
    const QCommandLineOption model(QStringLiteral("model"),
        tr("The scanner's model code, one of %1.").arg(supportedModels()), tr("CODE"));
    parser.addOptions({ prescan, stages, profile, model });
    parser.addPositionalArgument(QStringLiteral("INPUT.tif"), tr("The 16-bit RGB TIFF to process."));
    parser.addPositionalArgument(
        QStringLiteral("OUTPUT"), tr("The file to write: JPEG when its name ends in .jpg, else TIFF."));
    if (!parser.parse(app.arguments())) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qUtf8Printable(parser.helpText()));
        std::exit(0);
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        error = tr("expected INPUT.tif and OUTPUT (see --help)");
        return false;
    }
    if (!parser.isSet(profile) || !parser.isSet(model)) {
        error = tr("--profile and --model are required (see --help)");
        return false;
    }
    bool numeric = false;
    arguments.model = parser.value(model).toInt(&numeric);
    if (!numeric || !ScannerModels::isSupported(arguments.model)) {
        error = tr("unsupported model code %1: use one of %2").arg(parser.value(model), supportedModels());
        return false;
    }
    // Absolute now: the tool changes into its own folder, where the parameter files are.
    arguments.prescan = parser.isSet(prescan);
    arguments.stages = parser.isSet(stages) ? QFileInfo(parser.value(stages)).absoluteFilePath() : QString();
    arguments.profile = QFileInfo(parser.value(profile)).absoluteFilePath();
    arguments.input = QFileInfo(positional.at(0)).absoluteFilePath();
    arguments.output = QFileInfo(positional.at(1)).absoluteFilePath();
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-process"));

    Arguments arguments;
    QString error;
    if (!parse(app, arguments, error))
        return fail(error);

    ScanProfile profile;
    if (!QFileInfo(arguments.profile).isFile())
        return fail(tr("profile %1 does not exist").arg(arguments.profile));
    if (!profile.load(arguments.profile))
        return fail(tr("%1 is not a Korvane profile").arg(arguments.profile));
    const QFileInfo output(arguments.output);
    if (!output.absoluteDir().exists())
        return fail(tr("the output folder %1 does not exist").arg(output.absolutePath()));
    if (output.isDir())
        return fail(tr("the output %1 is a folder, not a file name").arg(arguments.output));
    if (output.exists())
        return fail(tr("%1 exists and is not overwritten").arg(arguments.output));
    if (!arguments.stages.isEmpty() && !QDir().mkpath(arguments.stages))
        return fail(tr("cannot create the stages folder %1").arg(arguments.stages));

    QElapsedTimer timer;
    timer.start();
    STImage image;
    if (!TiffInput::read16BitRgb(arguments.input, image, error))
        return fail(error);
    printTime(tr("read %1 (%2 x %3)")
                  .arg(QFileInfo(arguments.input).fileName())
                  .arg(image.width())
                  .arg(image.height()),
        timer.nsecsElapsed());

    // The parameter files are found relative to the working folder, as in the application.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    timer.restart();
    if (!CIP_FilmTerms::loadAll(QFile::encodeName(QCoreApplication::applicationDirPath()).constData())) {
        for (const std::string& file : CIP_FilmTerms::failedFiles())
            std::fprintf(stderr, "korvane-process: %s\n",
                qUtf8Printable(
                    tr("film term %1 did not load; its step is skipped").arg(QString::fromStdString(file))));
    }
    std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> tables {};
    for (int i = 0; i < ProcessingSteps::kFilmTermTables; ++i)
        tables[std::size_t(i)] = CIP_FilmTerms::table(i);
    ProcessingSteps steps;
    steps.setFilmTermTables(tables);
    printTime(tr("film terms"), timer.nsecsElapsed());

    PipelineHooks hooks;
    hooks.stepTimed = printTime;
    if (!arguments.stages.isEmpty()) {
        const QString folder = arguments.stages;
        hooks.dumpStage = [folder](const STImage& stage, const QString& name) {
            STImage copy(stage);
            if (!copy.saveTiff(folder + QLatin1Char('/') + name + QLatin1String(".tif")))
                fail(tr("could not write the stage image %1").arg(name));
        };
    }

    const ProcessingOptions options = profileProcessingOptions(profile, arguments.model);
    timer.restart();
    int resolution = image.resolution();
    if (arguments.prescan) {
        steps.runPrescan(image, options, hooks);
    } else {
        steps.runFinalScan(image, options, hooks);
        resolution = ScannerModels::outputDpi(arguments.model, profile.scansAtQuality());
    }
    printTime(tr("pipeline"), timer.nsecsElapsed());
    if (!arguments.stages.isEmpty() && !arguments.prescan)
        image.toQImage().save(arguments.stages + QLatin1String("/Scan_Final.jpg"), "JPEG");

    timer.restart();
    // The 10000 dpi enlargement goes through raw files of fixed names: they are kept in
    // a folder of their own beside the output, so no file of the user's is touched.
    // Named with the host and process id, so that the work folder of a run that was
    // killed is recognised and removed by the next run.
    removeAbandonedWorkFolders(output.absolutePath());
    QTemporaryDir work(workFolderTemplate(output.absolutePath()));
    if (!work.isValid())
        return fail(tr("cannot write into the output folder %1").arg(output.absolutePath()));
    const QString workFolder = work.path();
    const FinalFile::Prepared prepared
        = FinalFile::prepare(image, resolution, profile.savesEightBit(), workFolder);
    if (!prepared.ok) {
        FinalFile::discardRawFiles(workFolder);
        return fail(tr("could not prepare the image for writing in %1 (disk full?)").arg(workFolder));
    }
    const QString written = FinalFile::write(image, prepared, arguments.output, workFolder);
    if (written.isEmpty())
        return fail(tr("could not write %1").arg(arguments.output));
    printTime(tr("write %1").arg(written), timer.nsecsElapsed());
    return 0;
}
