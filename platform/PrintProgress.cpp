#include "platform/PrintProgress.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProgressDialog>

#include <algorithm>

namespace {

// The bar counts in thousandths, so that any number of lines fits its int range.
constexpr int kSteps = 1000;
constexpr int kUpdateMs = 50;

} // namespace

TQtPrintProgress::TQtPrintProgress(QWidget* parent, const QString& label)
    : dialog_(new QProgressDialog(label, QStringLiteral("Annuler"), 0, kSteps, parent)) {
    dialog_->setObjectName("PrintProgress");
    dialog_->setWindowTitle(QGuiApplication::applicationDisplayName());
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(500);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
    sinceUpdate_.start();
}

TQtPrintProgress::~TQtPrintProgress() {
    delete dialog_.data();
}

bool TQtPrintProgress::advance(std::size_t done, std::size_t total) {
    if (!dialog_)
        return false;
    if (sinceUpdate_.elapsed() >= kUpdateMs || done >= total) {
        sinceUpdate_.restart();
        const int value = total == 0 ? kSteps : int(double(done) / double(total) * kSteps);
        // A modal progress dialog processes pending events itself once it is shown; before that
        // the window still repaints.
        dialog_->setValue(std::min(value, kSteps - (done < total ? 1 : 0)));
        QCoreApplication::processEvents();
    }
    return dialog_ && !dialog_->wasCanceled();
}
