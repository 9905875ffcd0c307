#pragma once

#include "platform/FontAttributes.h"
#include "print/core/PrintDevice.h"

#include <QPageLayout>
#include <QString>

class QTextDocument;

#include <string>
#include <vector>

// The pages of a PDF file: paper, orientation and margins, and the resolution in dots per inch
// that the layout measures in (a printer's, so that the file breaks its lines and pages as the
// printer does).
struct TPdfPages {
    QPageLayout layout;
    int resolution = 1200;
};

// A PDF file has no unprintable edge: its pages keep this margin on every side, in millimetres,
// on the paper of the printer they are laid out for.
constexpr double kPdfMarginMm = 15.0;

// The printer's paper and orientation with the PDF margin.
QPageLayout pdfPageLayout(const QPageLayout& printerLayout);

// Writes the lines as a PDF file with the print layout, in the font, with title as the document's
// title. The file is written as pages are (safefile::writeFile): on a failure or a cancel the
// previous file, if any, stays as it was and nothing else is left behind. Returns false when the
// progress cancelled the export. Throws TLpError errortext::cannotCreateFile when the file cannot
// be created or put in place, errortext::streamWriteError when writing fails, each followed by a
// line with the system's reason (and for a failed write the file's name).
bool writePdf(const QString& path, const QString& title, const TPdfPages& pages,
              const std::vector<std::u16string>& lines, const TFontAttributes& font,
              TPrintProgress* progress = nullptr);

// Writes a styled document as a PDF file: laid out on the pages' body at their resolution, a page
// after the other, under the same terms as writePdf.
bool writeDocumentPdf(const QString& path, const QString& title, const TPdfPages& pages,
                      const QTextDocument& document, TPrintProgress* progress = nullptr);
