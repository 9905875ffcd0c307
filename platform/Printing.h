#pragma once

#include "platform/PrintService.h"

#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QPrintDialog;
class QPrintPreviewDialog;
class QPrinter;
class QWidget;

// The real print service: the platform's print dialog in front of the installed printers. The
// printer chosen last stays chosen for the next job, as do its settings; the preview and the PDF
// export lay their pages out for it.
class TQtPrintService : public TPrintService {
public:
    explicit TQtPrintService(QWidget* parent = nullptr);
    ~TQtPrintService() override;

    std::unique_ptr<TPrintDevice> startJob(const TFontAttributes& font) override;
    void preview(QStringList lines, const TFontAttributes& font) override;
    bool exportPdf(const QString& path, const QString& title, QStringList lines,
                   const TFontAttributes& font) override;
    bool exportDocumentPdf(const QString& path, const QString& title,
                           const QTextDocument& document) override;
    // A progress dialog over the parent window, shown once a job lasts longer than half a second.
    std::unique_ptr<TPrintProgress> startProgress(const QString& label) override;

    // What the dialog offers: printer, its properties and copies; no page range, no selection, no
    // current page, no printing to a file.
    static void configureDialog(QPrintDialog& dialog);

    // The printer whose pages the preview and the export lay out: the printer chosen last, else
    // the default printer (which becomes the chosen one), else a PDF file printer on the locale's
    // paper.
    QPrinter& pagePrinter();

protected:
    // The default printer; null when no printer is installed or none of them is the default.
    virtual std::unique_ptr<QPrinter> defaultPrinter();
    // Shows the dialog modally; true on OK.
    virtual bool execDialog(QPrintDialog& dialog);
    // Shows the preview window modally.
    virtual void execPreview(QPrintPreviewDialog& dialog);

private:
    QWidget* parent_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPrinter> filePrinter_; ///< stands in for a printer while none is installed
};

// One print command: the dialog, then the lines (the editor's lines, see printSourceLines) in the
// font. Throws TLpError "Impression en cours" while another job is being handed to the printer.
void printText(TPrintService& service, QStringList lines, const TFontAttributes& font);
// Whether a job is being handed to the printer (or a preview or export is running).
bool printJobRunning();

// The editor's lines as the print layout takes them (printSourceLines); each line is let go of once
// it is converted, so that a long page is not held twice.
std::vector<std::u16string> toSourceLines(QStringList&& lines);
