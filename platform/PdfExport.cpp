#include "platform/PdfExport.h"

#include "platform/Errors.h"
#include "platform/QtPrintDevice.h"
#include "print/core/PrintLayout.h"

#include <QPdfWriter>
#include <QSaveFile>

namespace {

TLpError createError(const QString& path) {
    return TLpError(QStringLiteral("Impossible de créer le fichier %1").arg(path));
}

TLpError writeError() {
    return TLpError(QStringLiteral("Erreur d'écriture dans le flux"));
}

} // namespace

bool writePdf(const QString& path, const QString& title, const TPdfPages& pages,
              const std::vector<std::u16string>& lines, const TFontAttributes& font,
              TPrintProgress* progress) {
    // The temporary file that QSaveFile writes beside the target is removed when it is not
    // committed, whatever ends the export.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw createError(path);
    {
        QPdfWriter writer(&file);
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
    // The writer does not report failed writes; the file does. commit() may report success after
    // its last buffer failed to flush, so flush and check first.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        throw writeError();
    if (!file.commit())
        throw file.error() == QFileDevice::RenameError ? createError(path) : writeError();
    return true;
}
