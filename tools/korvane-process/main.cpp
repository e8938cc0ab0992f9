// korvane-process: runs the application's analyses and final-scan (or prescan)
// pipeline on 16-bit RGB TIFFs, such as the RAW-mode dumps of scans, and writes the
// results with the application's file writers.
//
//   korvane-process [options] INPUT.tif OUTPUT
//   korvane-process [options] INPUT.tif... OUTPUT-FOLDER
//   korvane-process [options] --output-dir FOLDER INPUT.tif...

#include "processjob.h"

#include <outputcommit.h>
#include <scannermodels.h>
#include <scanprofile.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

// Without --model: the first model of the table, whose parameter files also serve its twin.
constexpr int kDefaultModel = ScannerModels::kModels[0].code;

constexpr int kUsageError = 2;
constexpr int kInputsFailed = 1;

QString tr(const char* text)
{
    return QCoreApplication::translate("korvane-process", text);
}

QString supportedModels()
{
    return QString::fromStdString(ScannerModels::codeList());
}

void printError(const QString& message)
{
    std::fprintf(stderr, "korvane-process: %s\n", qUtf8Printable(message));
}

int fail(const QString& message, int code = kInputsFailed)
{
    printError(message);
    return code;
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
    QString profile; // empty: the one beside each input
    int model = kDefaultModel;
    int jobs = 0;
    QStringList inputs;
    QString output; // the file of a single input
    QString outputFolder; // or the folder of several
};

// Parses the command line; false (with the message in error) on bad use.
bool parse(const QCoreApplication& app, Arguments& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Re-processes 16-bit RGB TIFFs (RAW-mode scan or prescan dumps) with Korvane's pipeline.\n"
           "Give one input and an output file, or several inputs and an output folder (the last "
           "argument, or --output-dir); a folder gets one file per input, named after it."));
    parser.addHelpOption();
    const QCommandLineOption prescan(
        QStringLiteral("prescan"), tr("Run the prescan pipeline instead of the final scan's."));
    const QCommandLineOption stages(QStringLiteral("stages"),
        tr("Write every stage image into DIR (a folder per input for several)."), tr("DIR"));
    const QCommandLineOption profile(QStringLiteral("profile"),
        tr("The profile file (.kor). Default: the RAW-mode profile beside each input (INPUT.kor, else "
           "Scan.kor, or preScan.kor with --prescan)."),
        tr("FILE.kor"));
    const QCommandLineOption model(QStringLiteral("model"),
        tr("The scanner's model code, one of %1. Default: %2.").arg(supportedModels()).arg(kDefaultModel),
        tr("CODE"));
    const QCommandLineOption outputDir({ QStringLiteral("o"), QStringLiteral("output-dir") },
        tr("Write one file per input into FOLDER."), tr("FOLDER"));
    const QCommandLineOption jobs({ QStringLiteral("j"), QStringLiteral("jobs") },
        tr("Process N inputs at a time. Default: one per processor core."), tr("N"));
    parser.addOptions({ prescan, stages, profile, model, outputDir, jobs });
    parser.addPositionalArgument(
        QStringLiteral("INPUT.tif"), tr("The 16-bit RGB TIFFs to process."), QStringLiteral("INPUT.tif..."));
    parser.addPositionalArgument(QStringLiteral("OUTPUT"),
        tr("The file to write (JPEG when its name ends in .jpg or .jpeg, else TIFF) or the output folder."),
        QStringLiteral("OUTPUT|FOLDER"));
    if (!parser.parse(app.arguments())) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qUtf8Printable(parser.helpText()));
        std::exit(0);
    }
    QStringList positional = parser.positionalArguments();
    if (parser.isSet(outputDir)) {
        arguments.outputFolder = parser.value(outputDir);
    } else if (positional.size() >= 2 && QFileInfo(positional.last()).isDir()) {
        arguments.outputFolder = positional.takeLast();
    } else if (positional.size() == 2) {
        arguments.output = QFileInfo(positional.takeLast()).absoluteFilePath();
    } else {
        error = tr("expected INPUT.tif and OUTPUT, or inputs and an output folder (see --help)");
        return false;
    }
    if (positional.isEmpty()) {
        error = tr("no input given (see --help)");
        return false;
    }
    if (parser.isSet(model)) {
        bool numeric = false;
        arguments.model = parser.value(model).toInt(&numeric);
        if (!numeric || !ScannerModels::isSupported(arguments.model)) {
            error
                = tr("unsupported model code %1: use one of %2").arg(parser.value(model), supportedModels());
            return false;
        }
    }
    if (parser.isSet(jobs)) {
        bool numeric = false;
        arguments.jobs = parser.value(jobs).toInt(&numeric);
        if (!numeric || arguments.jobs < 1) {
            error = tr("--jobs takes a whole number from 1 up, not %1").arg(parser.value(jobs));
            return false;
        }
    }
    // Absolute now: the tool changes into its own folder, where the parameter files are.
    arguments.prescan = parser.isSet(prescan);
    arguments.stages = parser.isSet(stages) ? QFileInfo(parser.value(stages)).absoluteFilePath() : QString();
    arguments.profile
        = parser.isSet(profile) ? QFileInfo(parser.value(profile)).absoluteFilePath() : QString();
    if (!arguments.outputFolder.isEmpty())
        arguments.outputFolder = QFileInfo(arguments.outputFolder).absoluteFilePath();
    for (const QString& input : qAsConst(positional))
        arguments.inputs << QFileInfo(input).absoluteFilePath();
    return true;
}

// The output name of each input in a folder: its own base name and the profile's file
// type; inputs of the same name from different folders get their folder's name in front.
QString outputName(const QString& input, const QHash<QString, int>& baseNames, const QString& profilePath)
{
    const QFileInfo info(input);
    ScanProfile profile;
    const bool jpeg = profile.load(profilePath) && profile.fileFormat() == 1;
    QString base = info.completeBaseName();
    if (baseNames.value(base) > 1)
        base = info.dir().dirName() + QLatin1Char('_') + base;
    return base + (jpeg ? QStringLiteral(".jpg") : QStringLiteral(".tif"));
}

// One line rewritten in place on a terminal; nothing when the output goes elsewhere.
class Progress
{
public:
    explicit Progress(int total)
        : m_total(total)
        , m_terminal(::isatty(STDOUT_FILENO) == 1)
    {
        show();
    }

    void finished(const ProcessJob::Job& job, const ProcessJob::Outcome& outcome)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        ++m_done;
        if (outcome.written.isEmpty()) {
            ++m_failed;
            clearLine();
            printError(tr("%1: %2").arg(job.input, outcome.error));
        } else if (!m_terminal) {
            std::printf("%s\n", qUtf8Printable(tr("wrote %1").arg(outcome.written)));
        }
        show();
    }

    void end()
    {
        if (m_terminal)
            std::printf("\n");
        std::fflush(stdout);
    }

    int failed() const { return m_failed; }

private:
    void clearLine()
    {
        if (m_terminal) {
            std::printf("\r\033[K");
            std::fflush(stdout);
        }
    }

    void show()
    {
        if (!m_terminal)
            return;
        std::printf("\r\033[K%s",
            qUtf8Printable(tr("%1 of %2 done, %3 failed").arg(m_done).arg(m_total).arg(m_failed)));
        std::fflush(stdout);
    }

    std::mutex m_mutex;
    const int m_total;
    const bool m_terminal;
    int m_done = 0;
    int m_failed = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-process"));

    Arguments arguments;
    QString error;
    if (!parse(app, arguments, error))
        return fail(error, kUsageError);

    const bool single = arguments.outputFolder.isEmpty();
    if (single) {
        const QFileInfo output(arguments.output);
        if (!output.absoluteDir().exists())
            return fail(tr("the output folder %1 does not exist").arg(output.absolutePath()));
        if (output.isDir())
            return fail(tr("the output %1 is a folder, not a file name").arg(arguments.output));
    } else if (!QFileInfo(arguments.outputFolder).isDir()) {
        return fail(tr("the output folder %1 does not exist").arg(arguments.outputFolder));
    }

    std::vector<ProcessJob::Job> jobs;
    int failedBeforeStart = 0;
    QHash<QString, int> baseNames;
    for (const QString& input : qAsConst(arguments.inputs))
        ++baseNames[QFileInfo(input).completeBaseName()];
    for (const QString& input : qAsConst(arguments.inputs)) {
        ProcessJob::Job job;
        job.input = input;
        job.profile = arguments.profile.isEmpty() ? ProcessJob::profileBeside(input, arguments.prescan)
                                                  : arguments.profile;
        if (job.profile.isEmpty()) {
            ++failedBeforeStart;
            printError(
                tr("%1: no profile given and no RAW-mode profile (%2.kor or %3) beside it; "
                   "name one with --profile")
                    .arg(input, QFileInfo(input).completeBaseName(),
                        arguments.prescan ? QStringLiteral("preScan.kor") : QStringLiteral("Scan.kor")));
            continue;
        }
        if (single) {
            job.output = arguments.output;
            job.stages = arguments.stages;
        } else {
            const QString name = outputName(input, baseNames, job.profile);
            job.output = QDir(arguments.outputFolder).absoluteFilePath(name);
            if (!arguments.stages.isEmpty())
                job.stages = arguments.stages + QLatin1Char('/') + QFileInfo(name).completeBaseName();
        }
        jobs.push_back(job);
    }
    if (single && failedBeforeStart > 0)
        return kInputsFailed;

    // The parameter files are found relative to the working folder, as in the application.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    ProcessJob::Settings settings;
    settings.prescan = arguments.prescan;
    settings.model = arguments.model;
    if (!CIP_FilmTerms::loadAll(QFile::encodeName(QCoreApplication::applicationDirPath()).constData())) {
        for (const std::string& file : CIP_FilmTerms::failedFiles())
            printError(
                tr("film term %1 did not load; its step is skipped").arg(QString::fromStdString(file)));
    }
    for (int i = 0; i < ProcessingSteps::kFilmTermTables; ++i)
        settings.tables[std::size_t(i)] = CIP_FilmTerms::table(i);

    if (single) {
        settings.stepTimed = printTime;
        removeAbandonedWorkFolders(QFileInfo(arguments.output).absolutePath());
        const ProcessJob::Outcome outcome = ProcessJob::run(jobs.front(), settings);
        return outcome.written.isEmpty() ? fail(outcome.error) : 0;
    }

    removeAbandonedWorkFolders(arguments.outputFolder);
    const int threads = std::max(
        1, std::min(arguments.jobs > 0 ? arguments.jobs : QThread::idealThreadCount(), int(jobs.size())));
    Progress progress(int(jobs.size()));
    std::atomic<std::size_t> next { 0 };
    auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++)
            progress.finished(jobs[i], ProcessJob::run(jobs[i], settings));
    };
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i)
        workers.emplace_back(work);
    work();
    for (std::thread& worker : workers)
        worker.join();
    progress.end();
    return progress.failed() + failedBeforeStart > 0 ? kInputsFailed : 0;
}
