#include "app/PrintCommands.h"

#include "editor/ColMemo.h"
#include "platform/Dialogs.h"
#include "platform/PrintService.h"
#include "print/core/PrintLayout.h"

#include <QDir>
#include <QFileInfo>

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

bool exportAsPdf(TDialogs& dialogs, TPrintService& printing, TFileDialog& exportDialog,
                 const TFileDialog& saveDialog, const TColorMemo& editor) {
    exportDialog.filter = QStringLiteral("Fichiers PDF|*.pdf");
    exportDialog.defaultExt = QStringLiteral("pdf");
    exportDialog.overwritePrompt = true;
    const QString page = saveDialog.fileName;
    if (!page.isEmpty()) {
        const QFileInfo info(page);
        exportDialog.initialDir = QDir::toNativeSeparators(info.absolutePath());
        exportDialog.fileName =
            QDir::toNativeSeparators(info.dir().filePath(info.completeBaseName() + ".pdf"));
    } else if (exportDialog.initialDir.isEmpty()) {
        exportDialog.initialDir = saveDialog.initialDir;
    }
    if (!dialogs.executeSave(exportDialog))
        return false;
    std::optional<QStringList> lines = linesToPrint(printing, editor);
    if (!lines)
        return false;
    const QString title = page.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(page).fileName();
    return printing.exportPdf(exportDialog.fileName, title, std::move(*lines), editor.EditorFont());
}
