#pragma once

#include "print/core/PrintDevice.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

class QWidget;

// A progress dialog for a long print, preview or export: a label, a bar and an "Annuler" button,
// modal to its window and shown only once the job has lasted half a second. While the job runs,
// pending window events are processed a few times a second, so the window repaints and the
// button can be pressed.
class TQtPrintProgress : public TPrintProgress {
public:
    TQtPrintProgress(QWidget* parent, const QString& label);
    ~TQtPrintProgress() override;
    TQtPrintProgress(const TQtPrintProgress&) = delete;
    TQtPrintProgress& operator=(const TQtPrintProgress&) = delete;

    bool advance(std::size_t done, std::size_t total) override;

    QProgressDialog* dialog() const { return dialog_; }

private:
    QPointer<QProgressDialog> dialog_;
    QElapsedTimer sinceUpdate_;
};
