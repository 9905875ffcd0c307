#include "platform/PdfExport.h"

#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/QtPrintDevice.h"
#include "platform/core/SafeFile.h"
#include "print/core/PrintLayout.h"

#include <QFile>
#include <QIODevice>
#include <QPdfWriter>

namespace {

TLpError createError(const QString& path) {
    return TLpError(errortext::cannotCreateFile.arg(path));
}

TLpError writeError(const QString& backup = {}) {
    if (backup.isEmpty())
        return TLpError(errortext::streamWriteError);
    return TLpError(errortext::streamWriteError +
                    QStringLiteral(".\nThe file's previous bytes could not be put back and are "
                                   "kept in %1.")
                        .arg(backup));
}

// What the PDF writer writes, handed to a file writer.
class TFileWriterDevice : public QIODevice {
public:
    explicit TFileWriterDevice(safefile::TFileWriter& file) : file_(file) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 n) override {
        return file_.write({data, std::size_t(n)}) ? n : -1;
    }

private:
    safefile::TFileWriter& file_;
};

} // namespace

QPageLayout pdfPageLayout(const QPageLayout& printerLayout) {
    QPageLayout layout = printerLayout;
    layout.setUnits(QPageLayout::Millimeter);
    layout.setMinimumMargins(QMarginsF());
    layout.setMargins(QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm));
    return layout;
}

bool writePdf(const QString& path, const QString& title, const TPdfPages& pages,
              const std::vector<std::u16string>& lines, const TFontAttributes& font,
              TPrintProgress* progress) {
    // Not committed, the file keeps its previous bytes and nothing is left beside it, whatever
    // ends the export.
    safefile::TFileWriter file;
    if (!file.open(QFile::encodeName(path).toStdString()).ok())
        throw createError(path);
    {
        TFileWriterDevice out(file);
        QPdfWriter writer(&out);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Lark Pad"));
        writer.setResolution(pages.resolution);
        writer.setPageLayout(pages.layout);
        TQtPrintDevice device(writer, font);
        try {
            printDocument(device, lines, progress);
        } catch (const TPrintCancelled&) {
            return false;
        }
    }
    // The writer does not report failed writes; the file writer does.
    const safefile::TWriteResult r = file.commit();
    switch (r.failed) {
    case safefile::TStage::none:
        return true;
    case safefile::TStage::notRegular:
    case safefile::TStage::create:
        throw createError(path);
    case safefile::TStage::write:
        throw writeError();
    case safefile::TStage::restore:
        throw writeError(QFile::decodeName(r.backupPath.c_str()));
    }
    return true;
}
