#pragma once

#include "platform/FontAttributes.h"
#include "print/core/PrintDevice.h"

#include <QString>
#include <QStringList>

#include <memory>

class QTextDocument;

// Choosing a printer and starting a job on it, behind an interface that tests answer.
class TPrintService {
public:
    virtual ~TPrintService() = default;
    // Shows the print dialog; on OK starts a job, with an empty document name, on the chosen
    // printer, in the given font at the same point size on paper. Returns null when the dialog is
    // cancelled. Throws TLpError when no printer can be used.
    virtual std::unique_ptr<TPrintDevice> startJob(const TFontAttributes& font) = 0;

    // Shows the print preview of the lines (the editor's lines, see printSourceLines), laid out
    // as a job on the chosen printer lays them out; without any printer, on a PDF file printer
    // with the locale's paper. Its Print button prints what it shows. The lines are taken (and
    // let go of as they are converted), as a long page's lines are many.
    virtual void preview(QStringList lines, const TFontAttributes& font) = 0;

    // Writes the lines as a PDF file on the chosen printer's paper with the PDF margin
    // (kPdfMarginMm), with title as the document's title. The file appears (or replaces the
    // previous one) only once it is completely written; a cancelled export leaves nothing and
    // returns false. Throws TLpError when the file cannot be written.
    virtual bool exportPdf(const QString& path, const QString& title, QStringList lines,
                           const TFontAttributes& font) = 0;

    // Writes a styled document (the page preview) as a PDF file, on the same paper, margins and
    // terms as exportPdf.
    virtual bool exportDocumentPdf(const QString& path, const QString& title,
                                   const QTextDocument& document) = 0;

    // A progress indicator for a long job, with its label; null: none.
    virtual std::unique_ptr<TPrintProgress> startProgress(const QString& label) {
        (void)label;
        return nullptr;
    }
};
