#pragma once

#include <scannerlist.h>

#include <QDialog>

#include <memory>

class QListWidgetItem;
namespace Ui
{
class ScannerDialog;
}

// The choice of the scanner: the simulated one and every SANE device found, one row
// each. Takes the list and the current scanner in, gives the chosen name out.
// Threads: main thread.
class ScannerDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ScannerDialog(QWidget* parent = nullptr);
    ~ScannerDialog() override;

    // Fills the rows and makes current's row the current one (the first row when
    // current is not listed).
    void setScanners(const QVector<ScannerEntry>& scanners, const QString& current);
    // The name of the chosen row; empty before the dialog was accepted.
    QString selectedScanner() const { return m_selected; }

private slots:
    void itemDoubleClicked(QListWidgetItem* item);
    void accepted();

private:
    std::unique_ptr<Ui::ScannerDialog> m_ui;
    QVector<ScannerEntry> m_scanners;
    QString m_selected;
};
