#include "app/PdfExportCommand.h"

#include "editor/ColMemo.h"
#include "platform/Dialogs.h"
#include "platform/PrintService.h"

#include <QDir>
#include <QFileInfo>

void exportAsPdf(TDialogs& dialogs, TPrintService& printing, TFileDialog& exportDialog,
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
        return;
    const QString title = page.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(page).fileName();
    printing.exportPdf(exportDialog.fileName, title, editor.Lines(), editor.EditorFont());
}
