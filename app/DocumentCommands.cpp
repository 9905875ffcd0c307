#include "app/DocumentCommands.h"

#include "editor/ColMemo.h"
#include "platform/Dialogs.h"
#include "platform/PageFiles.h"
#include "platform/Prompts.h"

#include <QFileInfo>
#include <QLabel>

namespace {

const QString kUntitled = QStringLiteral("Untitled");

} // namespace

TDocumentCommands::TDocumentCommands(TParts parts) : parts_(parts) {}

QString TDocumentCommands::currentFileName() const {
    return parts_.saveDialog.fileName;
}

QString TDocumentCommands::displayedName() const {
    return parts_.statusPanel.text();
}

TAnswer TDocumentCommands::askSaveChanges() {
    // The question names the document as the status bar does.
    return parts_.prompts.askYesNoCancel("Save changes in: " + displayedName() + " ?");
}

bool TDocumentCommands::saveChangesFirst() {
    if (!parts_.editor.Modified())
        return true;
    switch (askSaveChanges()) {
    case TAnswer::Yes:
        return fileSave();
    case TAnswer::No:
        return true;
    case TAnswer::Cancel:
        break;
    }
    return false;
}

void TDocumentCommands::fileNew() {
    if (!saveChangesFirst())
        return;
    // An editor without any line keeps its modified flag: clearing it would change nothing else.
    if (parts_.editor.LineCount() > 0)
        parts_.editor.Clear();
    parts_.saveDialog.fileName.clear();
    parts_.statusPanel.setText(kUntitled);
}

void TDocumentCommands::fileOpen() {
    if (!saveChangesFirst())
        return;
    parts_.openDialog.fileName.clear();
    if (!parts_.dialogs.executeOpen(parts_.openDialog))
        return;
    openPath(parts_.openDialog.fileName);
}

void TDocumentCommands::openPath(const QString& path) {
    load(path);
    if (addRecentFile)
        addRecentFile(path);
}

void TDocumentCommands::openFile(const QString& path) {
    if (!saveChangesFirst())
        return;
    openPath(path);
}

void TDocumentCommands::openRecent(const QString& path, bool& remove) {
    if (!QFileInfo::exists(path)) {
        parts_.prompts.errorNotice("File doesn't exist !");
        remove = true;
        return;
    }
    if (!saveChangesFirst())
        return;
    load(path);
}

bool TDocumentCommands::fileSave() {
    const QString path = currentFileName();
    if (path.isEmpty())
        return fileSaveAs();
    write(path);
    parts_.editor.SetModified(false);
    parts_.statusPanel.setText(path);
    return true;
}

bool TDocumentCommands::fileSaveAs() {
    TFileDialog& dialog = parts_.saveDialog;
    dialog.title = "Save File as";
    const QString previous = dialog.fileName;
    // Until the text is written the document keeps its file, so that the displayed name and the
    // file that Save writes to stay the same.
    if (!parts_.dialogs.executeSave(dialog)) {
        dialog.fileName = previous;
        return false;
    }
    try {
        write(dialog.fileName);
    } catch (...) {
        dialog.fileName = previous;
        throw;
    }
    parts_.editor.SetModified(false);
    parts_.statusPanel.setText(dialog.fileName);
    return true;
}

bool TDocumentCommands::closeQuery() {
    if (!parts_.editor.Modified())
        return true;
    switch (askSaveChanges()) {
    case TAnswer::Cancel:
        return false;
    case TAnswer::No:
        return true;
    case TAnswer::Yes:
        break;
    }
    // The window is going away: the flag and the displayed name are left as they are, and the
    // save dialog keeps the title it has.
    TFileDialog& dialog = parts_.saveDialog;
    const QString previous = dialog.fileName;
    if (previous.isEmpty() && !parts_.dialogs.executeSave(dialog)) {
        dialog.fileName = previous;
        return false; // no file chosen: the changes would be lost, so the window stays
    }
    try {
        write(dialog.fileName);
    } catch (...) {
        dialog.fileName = previous;
        throw;
    }
    return true;
}

void TDocumentCommands::load(const QString& path) {
    TPageText page = loadPageFile(path);
    // The loaded text holds page characters and '\n' line breaks only, so it goes into the editor
    // as it is: one replacement of the whole text, which also drops the undo history.
    parts_.editor.setPlainText(page.text);
    page.text.clear();
    parts_.editor.SetModified(false);
    parts_.saveDialog.fileName = path;
    parts_.statusPanel.setText(path);
    if (page.zeroOffset >= 0)
        parts_.prompts.warning(
            QStringLiteral("This file holds a zero byte at offset %1. The text ends there: what "
                           "follows is not shown, and saving under the same name would lose it.")
                .arg(page.zeroOffset));
}

void TDocumentCommands::write(const QString& path) {
    // The editor's raw text separates lines with U+2029, which the page encoder writes as CR LF;
    // taking it as it is spares a copy of the whole text.
    savePageFile(path, parts_.editor.document()->toRawText());
}
