#include "processjob.h"

#include "tiffinput.h"

#include <finalfile.h>
#include <imagemetadata.h>
#include <outputcommit.h>
#include <profileprocessingoptions.h>
#include <scannermodels.h>
#include <scanprofile.h>
#include <stimage.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace ProcessJob
{

namespace
{

QString tr(const char* text)
{
    return QCoreApplication::translate("korvane-process", text);
}

Outcome failed(const QString& error)
{
    return { QString(), error };
}

} // namespace

QString profileBeside(const QString& input, bool prescan)
{
    const QFileInfo info(input);
    const QStringList candidates { info.completeBaseName() + QStringLiteral(".kor"),
        prescan ? QStringLiteral("preScan.kor") : QStringLiteral("Scan.kor") };
    for (const QString& name : candidates) {
        const QString path = info.dir().absoluteFilePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

Outcome run(const Job& job, const Settings& settings)
{
    ScanProfile profile;
    if (!QFileInfo(job.profile).isFile())
        return failed(tr("profile %1 does not exist").arg(job.profile));
    if (!profile.load(job.profile))
        return failed(tr("%1 is not a Korvane profile").arg(job.profile));
    const QFileInfo output(job.output);
    if (output.exists())
        return failed(tr("%1 exists and is not overwritten").arg(job.output));
    if (!job.stages.isEmpty() && !QDir().mkpath(job.stages))
        return failed(tr("cannot create the stages folder %1").arg(job.stages));

    QElapsedTimer timer;
    timer.start();
    STImage image;
    QString error;
    if (!TiffInput::read16BitRgb(job.input, image, error))
        return failed(error);
    if (settings.stepTimed)
        settings.stepTimed(tr("read %1 (%2 x %3)")
                               .arg(QFileInfo(job.input).fileName())
                               .arg(image.width())
                               .arg(image.height()),
            timer.nsecsElapsed());
    ImageMetadata metadata = TiffInput::scanMetadata(job.input);

    ProcessingSteps steps;
    steps.setFilmTermTables(settings.tables);
    PipelineHooks hooks;
    hooks.stepTimed = settings.stepTimed;
    if (!job.stages.isEmpty()) {
        const QString folder = job.stages;
        hooks.dumpStage = [folder](const STImage& stage, const QString& name) {
            STImage copy(stage);
            if (!copy.saveTiff(folder + QLatin1Char('/') + name + QLatin1String(".tif")))
                std::fprintf(stderr, "korvane-process: %s\n",
                    qUtf8Printable(tr("could not write the stage image %1").arg(name)));
        };
    }
    const ProcessingOptions options = profileProcessingOptions(profile, settings.model);
    timer.restart();
    int resolution = image.resolution();
    if (settings.prescan) {
        steps.runPrescan(image, options, hooks);
    } else {
        steps.runFinalScan(image, options, hooks);
        resolution = ScannerModels::outputDpi(settings.model, profile.scansAtQuality());
    }
    if (settings.stepTimed)
        settings.stepTimed(tr("pipeline"), timer.nsecsElapsed());
    if (!job.stages.isEmpty() && !settings.prescan)
        image.toQImage().save(job.stages + QLatin1String("/Scan_Final.jpg"), "JPEG");

    timer.restart();
    // The 10000 dpi enlargement goes through raw files of fixed names: each job keeps
    // them in a folder of its own beside the output, so no file of the user's is
    // touched. Named ".korvane-process.<host>.<pid>.XXXXXX", so that the work folder of
    // a run that was killed is recognised and removed by the next run on this host, and
    // a folder shared with another machine never loses that machine's running work.
    QTemporaryDir work(output.absolutePath() + QLatin1String("/.korvane-process.") + OutputCommit::hostTag()
        + QLatin1Char('.') + QString::number(QCoreApplication::applicationPid()) + QLatin1String(".XXXXXX"));
    if (!work.isValid())
        return failed(tr("cannot write into the output folder %1").arg(output.absolutePath()));
    const QString workFolder = work.path();
    const FinalFile::Prepared prepared
        = FinalFile::prepare(image, resolution, profile.savesEightBit(), workFolder);
    if (!prepared.ok) {
        FinalFile::discardRawFiles(workFolder);
        return failed(tr("could not prepare the image for writing in %1 (disk full?)").arg(workFolder));
    }
    const QString written = FinalFile::write(image, prepared, job.output, workFolder, nullptr, metadata);
    if (written.isEmpty())
        return failed(tr("could not write %1").arg(job.output));
    if (settings.stepTimed)
        settings.stepTimed(tr("write %1").arg(written), timer.nsecsElapsed());
    return { written, QString() };
}

} // namespace ProcessJob
