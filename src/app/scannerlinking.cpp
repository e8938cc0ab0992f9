#include "scannerlinking.h"

#include "notifydialog.h"
#include "scannerdialog.h"

#include <scannerchoice.h>
#include <scannerlist.h>
#include <scannersdk.h>

#include <QMessageBox>
#include <QTimer>

#include <memory>

bool ScannerLinking::linkFirst(ScannerSDK* worker, const QString& name, QWidget* parent)
{
    return linkWithChoice(worker, name, true, parent);
}

bool ScannerLinking::relink(ScannerSDK* worker, const QString& name, QWidget* parent)
{
    return linkWithChoice(worker, name, false, parent);
}

bool ScannerLinking::linkWithChoice(ScannerSDK* worker, QString name, bool first, QWidget* parent)
{
    for (;;) {
        const bool linked = waitForLink(
            worker,
            [worker, name, first] {
                if (first) {
                    worker->setScannerName(name);
                    worker->startLink();
                } else {
                    worker->relink(name);
                }
            },
            parent);
        first = false;
        if (linked)
            return true;
        // Nothing to fall back on: the caller tells the user.
        if (ScannerList::isSimulatorName(name))
            return false;
        const ScannerList list;
        QMessageBox::warning(
            parent, tr("Korvane"), failureText(name, list.indexOf(name) >= 0), QMessageBox::Ok);
        const QString chosen = choose(list, name, parent);
        name = chosen.isEmpty() ? ScannerList::simulator().name : chosen;
    }
}

bool ScannerLinking::waitForLink(ScannerSDK* worker, const std::function<void()>& start, QWidget* parent)
{
    // The wait dialog lives only for the link: left hidden behind the main window it
    // would still be offered to screen readers as an open "Korvane" dialog.
    auto dialog = std::make_unique<NotifyDialog>(parent);
    dialog->setWindowTitle(tr("Korvane"));
    QTimer::singleShot(kLinkTimeoutMilliseconds, dialog.get(), &NotifyDialog::linkFailure);
    dialog->setMessage(tr("Initialize scanner. Please wait"));
    QObject::connect(worker, &ScannerSDK::scannerLinkReady_s, dialog.get(), &NotifyDialog::linkSuccess,
        Qt::QueuedConnection);
    QObject::connect(worker, &ScannerSDK::scannerLinkFailure_s, dialog.get(), &NotifyDialog::linkFailure,
        Qt::QueuedConnection);
    start();
    return dialog->exec() == QDialog::Accepted;
}

QString ScannerLinking::choose(const ScannerList& list, const QString& current, QWidget* parent)
{
    ScannerDialog dialog(parent);
    dialog.setWindowTitle(tr("Korvane"));
    dialog.setScanners(list.scanners(), current);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    if (!ScannerChoice::store(dialog.selectedScanner())) {
        QMessageBox::warning(parent, tr("Korvane"),
            tr("Korvane could not remember the scanner in %1; it is used until Korvane ends.")
                .arg(ScannerChoice::filePath()),
            QMessageBox::Ok);
    }
    return dialog.selectedScanner();
}

QString ScannerLinking::failureText(const QString& name, bool listed)
{
    if (!listed) {
        return tr("Korvane cannot find the scanner %1. Plug it in and switch it on, then check that "
                  "\"scanimage -L\" lists it. If it is listed only when run as root, add yourself to the "
                  "scanner group and log in again.\nChoose the scanner again, or the simulated scanner.")
            .arg(name);
    }
    return tr("The scanner %1 did not answer: another program may be using it, or you may not be allowed "
              "to use it. Close other scanning programs, make sure you are in the scanner group (log in "
              "again after adding yourself), and check that \"scanimage -L\" lists it.\nChoose the scanner "
              "again, or the simulated scanner.")
        .arg(name);
}
