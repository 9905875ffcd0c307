#pragma once

class TColorMemo;
class TDialogs;
class TPrintService;
struct TFileDialog;

// File > Export as PDF: asks for a file name in the export dialog ("Fichiers PDF|*.pdf", default
// extension "pdf", a question before an existing file is replaced), proposing the page's folder
// and name with ".pdf", and writes the page there as it would be printed, titled with the page's
// file name. The document itself (text, modified flag, file name) does not change.
//
// exportDialog keeps its state between uses; saveDialog is the document's save dialog, whose file
// name is the page's file and whose folder is where an untitled page's export starts.
void exportAsPdf(TDialogs& dialogs, TPrintService& printing, TFileDialog& exportDialog,
                 const TFileDialog& saveDialog, const TColorMemo& editor);
