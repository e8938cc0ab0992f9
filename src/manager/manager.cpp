#include "manager.h"

#include "cip_filmterms.h"
#include "devicerecord.h"
#include "installcheck.h"
#include "processingsteps.h"
#include "scannersdk.h"
#include "servicemodes.h"
#include "stagedump.h"
#include "userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSettings>
#include <QTextStream>

#include <string>

Q_LOGGING_CATEGORY(lcManager, "korvane.manager", QtInfoMsg)

namespace
{

manager* s_instance = nullptr;

// How long shutdown gives the worker to leave its loop before destroying it (the
// worker then joins its thread, so a scan still running is waited for).
constexpr unsigned long kWorkerStopMilliseconds = 500;

QString languageMapPath()
{
    return manager::applicationFolder() + QStringLiteral("/translator/LanguageMap.txt");
}

} // namespace

QString manager::languageChoiceFile()
{
    return userFolder(QStringLiteral("Korvane")) + QStringLiteral("/lang.ini");
}

manager* manager::instance()
{
    if (!s_instance)
        s_instance = new manager;
    return s_instance;
}

manager* manager::instance(QWidget* mainWindow)
{
    manager* self = instance();
    self->m_mainWindow = mainWindow;
    return self;
}

void manager::release()
{
    delete s_instance;
    s_instance = nullptr;
}

manager::manager()
    : m_scanner(std::make_unique<ScannerSDK>())
    , m_processing(std::make_unique<ProcessingSteps>())
    , m_deviceInfo(DeviceRecord::fittedInfo(QByteArray()))
{
    // Only the first manager of the process reads the files; later ones (after a
    // release) find the tables filled.
    CIP_FilmTerms::loadAll(QFile::encodeName(applicationFolder()).constData());
    for (int table = 0; table < kFilmTermCount; ++table)
        m_filmTerms[size_t(table)] = CIP_FilmTerms::table(table);
    for (const std::string& file : CIP_FilmTerms::failedFiles())
        m_failedFilmTerms.append(QString::fromStdString(file));
    std::array<const CIP_FilmTermTable*, ProcessingSteps::kFilmTermTables> tables {};
    std::copy(m_filmTerms.begin(), m_filmTerms.end(), tables.begin());
    m_processing->setFilmTermTables(tables);
    // The worker is destroyed first (see the destructor), so the pointer never dangles.
    m_scanner->setProcessing(m_processing.get());
}

manager::~manager()
{
    if (m_scanner->isRunning()) {
        m_scanner->setKeepRunning(false);
        m_scanner->wait(kWorkerStopMilliseconds);
    }
    m_scanner.reset();
}

ScannerSDK* manager::scanner()
{
    return m_scanner.get();
}

ProcessingSteps* manager::processing()
{
    return m_processing.get();
}

QStringList manager::startupProblems() const
{
    QStringList problems;
    for (const QString& file : m_failedFilmTerms) {
        problems.append(
            tr("The film-term file %1 is missing or damaged. Scans that need it are not corrected.")
                .arg(QDir::toNativeSeparators(applicationFolder() + file)));
    }
    return m_languageProblems + problems + InstallCheck::problems(applicationFolder()) + m_profileProblems;
}

QString manager::applicationFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString manager::userFolder(const QString& name)
{
    return UserFolders::userFolder(name);
}

QString manager::picturesFolder()
{
    return UserFolders::picturesFolder();
}

QString manager::dataFolder()
{
    return UserFolders::dataFolder();
}

QString manager::debugFolder()
{
    return UserFolders::debugFolder();
}

QVector<QPair<QString, QString>> manager::parseLanguageMap(
    const QString& text, const QString& translatorFolder)
{
    QVector<QPair<QString, QString>> languages;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        // Empty parts are kept, so a line with a leading or trailing blank has more
        // than two parts and is skipped like any other malformed line.
        const QStringList parts = line.split(blanks);
        if (parts.size() == 2)
            languages.append({ parts.at(0), translatorFolder + parts.at(1) });
    }
    return languages;
}

QString manager::languageListProblem()
{
    return tr("The language list %1 is missing or empty. Korvane is shown in English; "
              "install Korvane again to choose another language.")
        .arg(QDir::toNativeSeparators(languageMapPath()));
}

bool manager::loadLanguageMap()
{
    const QString translatorFolder = applicationFolder() + QStringLiteral("/translator/");
    const QString mapPath = languageMapPath();
    QFile file(mapPath);
    m_languages.clear();
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        in.setCodec("UTF-8");
        m_languages = parseLanguageMap(in.readAll(), translatorFolder);
    }
    if (m_languages.isEmpty()) {
        m_languageProblems.append(languageListProblem());
        return false;
    }
    for (const auto& entry : qAsConst(m_languages)) {
        if (!QFileInfo(entry.second).isFile()) {
            qCWarning(lcManager) << "translation file missing:" << entry.second;
            m_languageProblems.append(translationProblem(entry.second));
            return false;
        }
    }
    return true;
}

QStringList manager::languageNames() const
{
    QStringList names;
    for (const auto& entry : m_languages)
        names.append(entry.first);
    return names;
}

QString manager::languageFile(int index) const
{
    if (index < 0 || index >= m_languages.size())
        return QString();
    return m_languages.at(index).second;
}

QString manager::currentLanguageFile() const
{
    const int index = language();
    if (index == -1)
        return languageFile(0);
    return languageFile(index);
}

int manager::language() const
{
    const QString path = languageChoiceFile();
    if (!QFileInfo::exists(path))
        return -1;
    const QSettings settings(path, QSettings::IniFormat);
    return settings.value(QStringLiteral("Lang"), 0).toInt();
}

QString manager::translationProblem(const QString& file)
{
    return tr("The translation file %1 is missing or damaged. Korvane is shown in English; "
              "install Korvane again to restore it.")
        .arg(QDir::toNativeSeparators(file));
}

bool manager::loadLanguage(int index)
{
    const QString file = languageFile(index);
    if (!m_translator.load(file)) {
        m_languageProblems.append(translationProblem(file));
        return false;
    }
    // Qt's file of the same language ("korvane_de.qm" -> "qtbase_de.qm") ships beside
    // ours; Qt's own folder is the fall-back. English needs none.
    const QFileInfo info(file);
    const QString qtFile = QStringLiteral("qtbase_") + info.completeBaseName().section(QLatin1Char('_'), 1);
    if (!m_qtTranslator.load(qtFile, info.path()))
        m_qtTranslator.load(qtFile, QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    return true;
}

void manager::installTranslators()
{
    QCoreApplication::removeTranslator(&m_translator);
    QCoreApplication::removeTranslator(&m_qtTranslator);
    QCoreApplication::installTranslator(&m_qtTranslator);
    QCoreApplication::installTranslator(&m_translator);
}

QString manager::switchLanguage(int index)
{
    // Tried on its own first: a failed load empties the translator it loads into.
    const QString file = languageFile(index);
    QTranslator probe;
    if (file.isEmpty() || !probe.load(file)) {
        return tr("The translation file %1 is missing or damaged, so Korvane keeps its language; "
                  "install Korvane again to restore it.")
            .arg(QDir::toNativeSeparators(file));
    }
    loadLanguage(index);
    installTranslators();
    retranslateDefaultSlots();
    return QString();
}

bool manager::setLanguage(int index)
{
    QSettings settings(languageChoiceFile(), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Lang"), index);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

ScanProfile manager::profile(int slot) const
{
    if (slot < 0 || slot >= m_slots.size())
        return ScanProfile();
    return m_slots.at(slot);
}

bool manager::setProfile(int slot, const ScanProfile& profile)
{
    if (slot < 0 || slot >= m_slots.size())
        return false;
    m_slots[slot] = profile;
    if (slot < kFirstCustomSlot)
        return true;
    return m_slots[slot].save(customProfilePath(slot));
}

bool manager::isEngineerMode() const
{
    return ServiceModes::instance().isEngineerMode();
}

void manager::setEngineerMode(bool on)
{
    ServiceModes::instance().setEngineerMode(on);
}

bool manager::isRawMode() const
{
    return ServiceModes::instance().isRawMode();
}

void manager::setRawMode(bool on)
{
    ServiceModes::instance().setRawMode(on);
}

void manager::setScannerInfo(const QByteArray& record)
{
    // A short record leaves the rest zero rather than reading past its end.
    m_deviceInfo = DeviceRecord::fittedInfo(record);
}

QByteArray manager::scannerInfo() const
{
    return m_deviceInfo;
}

QString manager::firmwareVersion() const
{
    if (m_deviceInfo.at(0) == 0)
        return QString();
    return DeviceRecord::firmwareVersion(scannerInfo());
}

QString manager::hardwareVersion() const
{
    if (m_deviceInfo.at(0) == 0)
        return QString();
    return QString::number(DeviceRecord::modelCode(scannerInfo()));
}

void manager::dumpStage(const STImage& image, const QString& name) const
{
    ::dumpStage(image, name);
}

void manager::dumpStage(const QImage& image, const QString& name) const
{
    ::dumpStage(image, name);
}
