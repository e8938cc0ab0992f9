#include "scannerdialog.h"

#include "ui_scannerdialog.h"

ScannerDialog::ScannerDialog(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::ScannerDialog>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    connect(
        m_ui->listWidget_Scanner, &QListWidget::itemDoubleClicked, this, &ScannerDialog::itemDoubleClicked);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &ScannerDialog::accepted);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ScannerDialog::~ScannerDialog() = default;

void ScannerDialog::setScanners(const QVector<ScannerEntry>& scanners, const QString& current)
{
    m_scanners = scanners;
    m_ui->listWidget_Scanner->clear();
    int currentRow = 0;
    for (int row = 0; row < scanners.size(); ++row) {
        m_ui->listWidget_Scanner->addItem(scanners.at(row).label());
        if (scanners.at(row).name == current)
            currentRow = row;
    }
    m_ui->listWidget_Scanner->setCurrentRow(currentRow);
}

void ScannerDialog::itemDoubleClicked(QListWidgetItem* /*item*/)
{
    accepted();
}

void ScannerDialog::accepted()
{
    const int row = m_ui->listWidget_Scanner->currentRow();
    if (row < 0 || row >= m_scanners.size())
        return;
    m_selected = m_scanners.at(row).name;
    accept();
}
