#pragma once

#include <QByteArray>
#include <QDialog>

#include <memory>

class EditorPrompts;
class QTimer;
class ScannerSDK;
namespace Ui
{
class FWUpdateDialog;
}

// Picks a firmware file, shows the scanner's and the file's versions and hands the
// file to the scanner worker. Ends Accepted when the worker wrote it, Rejected on
// cancel or when the worker failed (updateFailed() tells the two apart). While the
// update runs every control is disabled and neither Escape, the window manager's close
// nor a close() ends it: only the worker's answer does, so it always reaches the user.
// Threads: main thread; the worker's answers arrive queued.
class FWUpdateDialog : public QDialog
{
    Q_OBJECT

public:
    FWUpdateDialog(ScannerSDK* worker, const QString& scannerVersion, QWidget* parent = nullptr);
    ~FWUpdateDialog() override;

    // Reads a firmware file as Browse does after the file dialog; false when it was
    // not taken (the message says why and the previous file stays).
    bool loadFile(const QString& path);

    // Null for the native file chooser.
    void setPrompts(EditorPrompts* prompts) { m_prompts = prompts; }
    bool isUpdating() const { return m_updating; }

    Q_INVOKABLE QString newVersion() const;
    bool updateFailed() const { return m_failed; }
    QString message() const;

public slots:
    void reject() override;
    void on_pushButton_cancel_clicked();
    void on_pushButton_browse_clicked();
    void on_pushButton_update_clicked();
    void timeArrival();
    void scannerFWUpdateSucess();
    void scannerFWUpdateFailure();

private:
    void setControlsEnabled(bool enabled);

    std::unique_ptr<Ui::FWUpdateDialog> m_ui;
    ScannerSDK* m_worker = nullptr;
    EditorPrompts* m_prompts = nullptr;
    QTimer* m_timer = nullptr;
    int m_ticks = 0;
    QString m_progressText;
    QByteArray m_firmware;
    bool m_updating = false;
    bool m_failed = false;
};
