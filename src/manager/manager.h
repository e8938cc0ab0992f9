#pragma once

#include "scanprofile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTranslator>
#include <QVector>

#include <array>
#include <memory>

class CIP_FilmTermTable;
class QWidget;
class STImage;
class ProcessingSteps;
class ScannerSDK;

// The process-wide application data manager: folders, languages, the ten profile
// slots, the scanner worker, the service-mode flags and the last device record.
//
// Threads: created, and its slots, folders and languages used, on the main thread
// only. The service-mode flags are the exception: they live in ServiceModes, each
// behind its own mutex, and are read by the scanner worker during scans. The
// dumpStage operations only read the RAW flag and write files, so any thread may
// call them.
class manager
{
    Q_DECLARE_TR_FUNCTIONS(manager)

public:
    static constexpr int kSlotCount = 10;
    static constexpr int kFirstCustomSlot = 5;

    // The instance, created on first use (the first call is on the main thread).
    static manager* instance();
    // The same, also remembering the main window (not owned).
    static manager* instance(QWidget* mainWindow);
    // Destroys the instance at program end; the next instance() creates a new one.
    static void release();

    virtual ~manager();

    QWidget* mainWindow() const { return m_mainWindow; }

    // Folders, each created when missing (the RAW-mode folder and the other user
    // folders are UserFolders', which these read).
    static QString applicationFolder();
    static QString userFolder(const QString& name);
    static QString picturesFolder();
    static QString dataFolder();
    static QString debugFolder();

    // Languages: the map file beside the program and the choice in lang.ini.
    bool loadLanguageMap();
    // The (name, translatorFolder + file) pairs of the lines that split at runs of
    // white space into exactly two parts.
    static QVector<QPair<QString, QString>> parseLanguageMap(
        const QString& text, const QString& translatorFolder);
    QStringList languageNames() const;
    QString languageFile(int index) const;
    QString currentLanguageFile() const;
    int language() const; // -1 without lang.ini, 0 when it lacks the key
    static QString languageChoiceFile(); // lang.ini in the user's Korvane folder
    bool setLanguage(int index);
    QTranslator* translator() { return &m_translator; }
    // Loads language index's translation into translator() and Qt's own texts (the
    // standard buttons, the file dialogs) in that language into qtTranslator(). False,
    // with a start-up problem recorded, when the program's own file does not load.
    bool loadLanguage(int index);
    QTranslator* qtTranslator() { return &m_qtTranslator; }
    // Puts translator() and qtTranslator() into the application's search, ours first;
    // again after a new load, so that every window is told the language changed.
    void installTranslators();
    // Shows language index from now on: its files replace the installed translations
    // (the windows then get a LanguageChange event) and the default slots' suggested
    // names follow. Stores nothing. On a file that does not load the shown language
    // stays and the result is the sentence for the user; empty on success.
    QString switchLanguage(int index);
    // The sentence for a language list that is missing or empty.
    static QString languageListProblem();

    // Profile slots 0-4 hold the defaults, 5-9 the custom profiles.
    void initProfiles();
    // The default slots' suggested names in the language now installed.
    void retranslateDefaultSlots();
    ScanProfile profile(int slot) const;
    // The whole profile replaces the slot's; a custom slot is also saved to its file
    // (customProfilePath), false when that write failed.
    bool setProfile(int slot, const ScanProfile& profile);
    // The file of a custom slot (kFirstCustomSlot to kSlotCount - 1) in the data folder.
    static QString customProfilePath(int slot);

    // Problems found while building the slots (a damaged custom profile put aside,
    // a profile file that could not be written), for start-up to show the user.
    QStringList profileProblems() const { return m_profileProblems; }
    // Film-term files (relative to the application folder) that failed to load.
    QStringList failedFilmTermFiles() const { return m_failedFilmTerms; }
    // Both of the above as sentences for the user, film terms first.
    QStringList startupProblems() const;

    // The ten film-term tables in their table order, loaded once per process; a
    // table whose file failed stays empty and refuses to be applied.
    static constexpr int kFilmTermCount = 10;
    const std::array<CIP_FilmTermTable*, kFilmTermCount>& filmTerms() const { return m_filmTerms; }

    ScannerSDK* scanner();
    // The one processing-step object, holding the film-term tables; the pipelines and
    // the filter previews all use it.
    ProcessingSteps* processing();

    bool isEngineerMode() const;
    void setEngineerMode(bool on);
    bool isRawMode() const;
    void setRawMode(bool on);

    // The device information record as the scanner reports it; the versions read its
    // fields (empty text until a record whose first byte is non-zero arrived).
    void setScannerInfo(const QByteArray& record);
    QByteArray scannerInfo() const;
    QString firmwareVersion() const;
    QString hardwareVersion() const;

    // RAW-mode stage images; nothing happens outside RAW mode.
    void dumpStage(const STImage& image, const QString& name) const;
    void dumpStage(const QImage& image, const QString& name) const;

private:
    manager();
    manager(const manager&) = delete;
    manager& operator=(const manager&) = delete;

    void buildSlots();
    void loadCustomFiles();
    void saveSlot(int slot, const QString& path);
    static QString customFileName(int slot);

    QWidget* m_mainWindow = nullptr;
    QVector<ScanProfile> m_slots;
    std::unique_ptr<ScannerSDK> m_scanner;
    std::unique_ptr<ProcessingSteps> m_processing;
    QTranslator m_translator;
    QTranslator m_qtTranslator;
    // The start-up problem of a language file that is missing or does not load.
    static QString translationProblem(const QString& file);
    QStringList m_languageProblems;
    QVector<QPair<QString, QString>> m_languages;
    QByteArray m_deviceInfo; // always the record's full size
    QStringList m_profileProblems;
    std::array<CIP_FilmTermTable*, kFilmTermCount> m_filmTerms {};
    QStringList m_failedFilmTerms;
};
