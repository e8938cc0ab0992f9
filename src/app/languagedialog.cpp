#include "languagedialog.h"

LanguageDialog::LanguageDialog(QWidget* parent)
    : QDialog(parent)
{
    m_ui.setupUi(this);
    connect(m_ui.listWidget_Lang, &QListWidget::itemDoubleClicked, this, &LanguageDialog::itemDoubleClicked);
}

LanguageDialog::~LanguageDialog() = default;

void LanguageDialog::setLanguages(const QStringList& names)
{
    m_ui.listWidget_Lang->clear();
    m_ui.listWidget_Lang->addItems(names);
    m_ui.listWidget_Lang->setCurrentRow(0);
}

void LanguageDialog::setCurrentLanguage(int index)
{
    if (index >= 0 && index < m_ui.listWidget_Lang->count())
        m_ui.listWidget_Lang->setCurrentRow(index);
}

void LanguageDialog::itemDoubleClicked(QListWidgetItem* /*item*/)
{
    m_selected = m_ui.listWidget_Lang->currentRow();
    accept();
}

void LanguageDialog::on_buttonBox_accepted()
{
    m_selected = m_ui.listWidget_Lang->currentRow();
    accept();
}

void LanguageDialog::on_buttonBox_rejected()
{
    reject();
}
