#pragma once

#include "platform/PrintService.h"

#include <QStringList>

#include <memory>

class QPrintDialog;
class QPrinter;
class QWidget;

// The real print service: the platform's print dialog in front of the installed printers. The
// printer chosen last stays chosen for the next job, as do its settings.
class TQtPrintService : public TPrintService {
public:
    explicit TQtPrintService(QWidget* parent = nullptr);
    ~TQtPrintService() override;

    std::unique_ptr<TPrintDevice> startJob(const TFontAttributes& font) override;

    // What the dialog offers: printer, its properties and copies; no page range, no selection, no
    // current page, no printing to a file.
    static void configureDialog(QPrintDialog& dialog);

protected:
    // The default printer; null when no printer is installed or none of them is the default.
    virtual std::unique_ptr<QPrinter> defaultPrinter();
    // Shows the dialog modally; true on OK.
    virtual bool execDialog(QPrintDialog& dialog);

private:
    QWidget* parent_;
    std::unique_ptr<QPrinter> printer_;
};

// One print command: the dialog, then the lines (the editor's lines, see printSourceLines) in the
// font. Throws TLpError "Impression en cours" while another job is being handed to the printer.
void printText(TPrintService& service, const QStringList& lines, const TFontAttributes& font);
// Whether a job is being handed to the printer.
bool printJobRunning();
