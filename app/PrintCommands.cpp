#include "app/PrintCommands.h"

#include "editor/ColMemo.h"
#include "platform/Dialogs.h"
#include "platform/PrintService.h"
#include "print/core/PrintLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

std::optional<QStringList> linesToPrint(TPrintService& printing, const TColorMemo& editor) {
    std::unique_ptr<TPrintProgress> progress =
        printing.startProgress(QStringLiteral("Reading the page..."));
    if (!progress)
        return editor.Lines();
    try {
        return editor.Lines([&](int done, int total) {
            if (!progress->advance(std::size_t(done), std::size_t(total)))
                throw TPrintCancelled();
        });
    } catch (const TPrintCancelled&) {
        return std::nullopt;
    }
}

QString exportedNote(const QString& path) {
    return QStringLiteral("Exported to %1").arg(QDir::toNativeSeparators(path));
}

namespace {

const QString kPreviewSuffix = QStringLiteral("-preview");

// Asks where the export goes, proposing the page's name with `suffix` (the preview's export has
// a name of its own, so that it does not take the place of the plain one); true when the author
// chose a file.
bool askExportFile(TDialogs& dialogs, TFileDialog& exportDialog, const TFileDialog& saveDialog,
                   const QString& suffix = {}) {
    exportDialog.filter = QStringLiteral("Fichiers PDF|*.pdf");
    exportDialog.defaultExt = QStringLiteral("pdf");
    exportDialog.overwritePrompt = true;
    const QString page = saveDialog.fileName;
    if (!page.isEmpty()) {
        const QFileInfo info(page);
        exportDialog.initialDir = QDir::toNativeSeparators(info.absolutePath());
        exportDialog.fileName = QDir::toNativeSeparators(
            info.dir().filePath(info.completeBaseName() + suffix + ".pdf"));
    } else {
        if (exportDialog.initialDir.isEmpty())
            exportDialog.initialDir = saveDialog.initialDir;
        // The name the other export proposed is not this one's.
        const QFileInfo last(exportDialog.fileName);
        const bool preview = last.completeBaseName().endsWith(kPreviewSuffix);
        if (!exportDialog.fileName.isEmpty() && preview != (suffix == kPreviewSuffix))
            exportDialog.fileName = QString();
    }
    return dialogs.executeSave(exportDialog);
}

QString exportTitle(const TFileDialog& saveDialog) {
    const QString page = saveDialog.fileName;
    return page.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(page).fileName();
}

} // namespace

bool exportAsPdf(TDialogs& dialogs, TPrintService& printing, TFileDialog& exportDialog,
                 const TFileDialog& saveDialog, const TColorMemo& editor) {
    if (!askExportFile(dialogs, exportDialog, saveDialog))
        return false;
    std::optional<QStringList> lines = linesToPrint(printing, editor);
    if (!lines)
        return false;
    return printing.exportPdf(exportDialog.fileName, exportTitle(saveDialog), std::move(*lines),
                              editor.EditorFont());
}

bool exportPreviewAsPdf(TDialogs& dialogs, TPrintService& printing, TFileDialog& exportDialog,
                        const TFileDialog& saveDialog, const TPreviewWriter& writePreview) {
    if (!askExportFile(dialogs, exportDialog, saveDialog, kPreviewSuffix))
        return false;
    QTextDocument preview;
    {
        std::unique_ptr<TPrintProgress> progress =
            printing.startProgress(QStringLiteral("Reading the page..."));
        if (!writePreview(preview, [&](int done, int total) {
                return !progress || progress->advance(std::size_t(done), std::size_t(total));
            }))
            return false;
    }
    return printing.exportDocumentPdf(exportDialog.fileName, exportTitle(saveDialog), preview);
}
