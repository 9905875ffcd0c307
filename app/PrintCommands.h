#pragma once

#include <QStringList>

#include <functional>
#include <optional>

class QTextDocument;
class TColorMemo;
class TDialogs;
class TPrintService;
struct TFileDialog;

// The editor's lines as printing takes them (TColorMemo::Lines). Gathering them from a long page
// with word wrap on lays out every paragraph, so it shows the print service's progress and can be
// cancelled: then there are no lines.
std::optional<QStringList> linesToPrint(TPrintService& printing, const TColorMemo& editor);

// The status bar's note once Export as PDF has written its file.
QString exportedNote(const QString& path);

// File > Export as PDF: asks for a file name in the export dialog ("Fichiers PDF|*.pdf", default
// extension "pdf", a question before an existing file is replaced), proposing the page's folder
// and name with ".pdf", and writes the page there as the print layout lays it out, titled with the
// page's file name. The document itself (text, modified flag, file name) does not change. True once
// the file is written; false when the author cancelled.
//
// exportDialog keeps its state between uses; saveDialog is the document's save dialog, whose file
// name is the page's file and whose folder is where an untitled page's export starts.
bool exportAsPdf(TDialogs& dialogs, TPrintService& printing, TFileDialog& exportDialog,
                 const TFileDialog& saveDialog, const TColorMemo& editor);

// Writes the whole page as the preview shows it into a document, telling progress the lines
// written of all (which may say stop); false when stopped.
using TPreviewWriter =
    std::function<bool(QTextDocument&, const std::function<bool(int, int)>& progress)>;

// File > Export Preview as PDF: the same dialog as Export as PDF, then the page as the preview
// shows it, styled, written by the print service. Reading the page shows progress and can be
// cancelled, like the export itself.
bool exportPreviewAsPdf(TDialogs& dialogs, TPrintService& printing, TFileDialog& exportDialog,
                        const TFileDialog& saveDialog, const TPreviewWriter& writePreview);
