#include "modalwatcher.h"

#include <notifydialog.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cstdio>

namespace
{
// Often enough that a wait dialog is drawn before a quick prescan closes it.
constexpr int kPollMilliseconds = 20;
} // namespace

ModalWatcher::ModalWatcher(const QDir& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::poll);
    m_timer.start(kPollMilliseconds);
}

void ModalWatcher::expectWait(const QString& name, bool cancel)
{
    m_waits.append(name);
    if (cancel)
        m_cancelledWaits.append(name);
}

QStringList ModalWatcher::takeMissing()
{
    QStringList missing = m_boxes + m_waits;
    m_boxes.clear();
    m_waits.clear();
    return missing;
}

QStringList ModalWatcher::takeUnexpected()
{
    QStringList texts;
    texts.swap(m_unexpected);
    return texts;
}

bool ModalWatcher::save(QWidget* window, const QDir& folder, const QString& name)
{
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    const bool saved = window->grab().save(path);
    if (!saved)
        std::fprintf(stderr, "korvane_screenshots: cannot write %s\n", qPrintable(path));
    return saved;
}

bool ModalWatcher::saveBeside(QWidget* window, QWidget* tool, const QString& name)
{
    const QPixmap left = window->grab();
    const QPixmap right = tool->grab();
    constexpr int kGap = 8;
    QImage both(
        left.width() + kGap + right.width(), std::max(left.height(), right.height()), QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(left.width() + kGap, 0, right);
    painter.end();
    const QString path = m_folder.filePath(name + QStringLiteral(".png"));
    const bool saved = both.save(path);
    if (!saved)
        std::fprintf(stderr, "korvane_screenshots: cannot write %s\n", qPrintable(path));
    return saved;
}

void ModalWatcher::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (m_boxes.isEmpty())
            m_unexpected.append(box->text());
        else
            save(box, m_boxes.takeFirst());
        QAbstractButton* answer = box->escapeButton();
        if (!answer)
            answer = box->defaultButton();
        if (answer)
            answer->click();
        else
            box->reject();
        return;
    }
    auto* wait = qobject_cast<NotifyDialog*>(modal);
    if (!wait || wait == m_lastWait)
        return;
    m_lastWait = wait;
    if (m_waits.isEmpty())
        return;
    const QString name = m_waits.takeFirst();
    save(wait, name);
    if (m_cancelledWaits.removeOne(name))
        wait->on_pushButton_cancel_clicked();
}
