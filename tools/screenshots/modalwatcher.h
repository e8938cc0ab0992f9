#pragma once

#include <QDir>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QWidget;

// Answers the modal windows the program opens while the screenshot tool drives it: each
// message box is drawn under the next expected box name and closed with its escape
// button (No for a question), each wait dialog under the next expected wait name and
// left running, or cancelled when its name was given with cancel. A modal window
// nobody expected is closed unpictured and noted, so the tool never hangs on it.
class ModalWatcher : public QObject
{
public:
    explicit ModalWatcher(const QDir& folder, QObject* parent = nullptr);

    void expectBox(const QString& name) { m_boxes.append(name); }
    void expectWait(const QString& name, bool cancel = false);
    // The names still expected, cleared; empty when every picture was taken.
    QStringList takeMissing();
    bool allSeen() const { return m_boxes.isEmpty() && m_waits.isEmpty(); }
    // The texts of the boxes nobody expected, cleared.
    QStringList takeUnexpected();

    // Draws window into the folder as name.png; false when it could not be written.
    static bool save(QWidget* window, const QDir& folder, const QString& name);
    bool save(QWidget* window, const QString& name) { return save(window, m_folder, name); }
    // window with tool drawn at its right, top edges level, as a user sees them side by side.
    bool saveBeside(QWidget* window, QWidget* tool, const QString& name);

private:
    void poll();

    QDir m_folder;
    QTimer m_timer;
    QStringList m_boxes;
    QStringList m_waits;
    QStringList m_cancelledWaits;
    QStringList m_unexpected;
    QPointer<QWidget> m_lastWait;
};
