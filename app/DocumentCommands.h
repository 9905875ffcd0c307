#pragma once

#include "platform/Prompts.h"

#include <QString>

#include <functional>

class QLabel;
class TColorMemo;
class TDialogs;
struct TFileDialog;

// The document's life: New, Open, Save, Save As, opening a recent file and the close check.
//
// The document has no state of its own. Its text and modified flag are the editor's, its file is
// the save dialog's file name (empty for a document without a file) and its displayed name is the
// text of status panel 1, which the unsaved-changes question quotes. These commands keep the
// three in step.
//
// When the author answers Yes to the question and the save does not happen (the save dialog is
// cancelled or writing fails), the command that asked stops and the document stays as it was,
// still marked changed: the author's changes are never dropped without a No.
class TDocumentCommands {
public:
    struct TParts {
        TPrompts& prompts;
        TDialogs& dialogs;
        TColorMemo& editor;
        TFileDialog& openDialog;
        TFileDialog& saveDialog;
        QLabel& statusPanel;
    };
    explicit TDocumentCommands(TParts parts);

    // Called with the path of every file that Open (or the command line) has loaded, to put it at
    // the top of the recent files.
    std::function<void(const QString&)> addRecentFile;

    void fileNew();
    void fileOpen();
    // Save and Save As return whether the text was written; false when the dialog was cancelled.
    bool fileSave();
    bool fileSaveAs();
    // A recent file chosen: remove is set when the file no longer exists.
    void openRecent(const QString& path, bool& remove);
    // Whether the window may close.
    bool closeQuery();
    // Opens a file as Open does once a file is chosen (the program's command line).
    void openPath(const QString& path);
    // Opens a file chosen outside the open dialog (dropped on the window) as Open does: the
    // unsaved-changes question first.
    void openFile(const QString& path);

    QString currentFileName() const;
    QString displayedName() const;

private:
    TAnswer askSaveChanges();
    // Asks about unsaved changes; returns whether the command that asks may go on.
    bool saveChangesFirst();
    // Replaces the document with the file's text; on failure the document stays as it was.
    void load(const QString& path);
    void write(const QString& path);

    TParts parts_;
};
