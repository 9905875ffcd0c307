#pragma once

#include "markup/core/Actions.h"

#include <QString>

#include <functional>

class TColorMemo;
class TDialogs;
class TPrompts;
struct TFileDialog;

// The folder an assistant's dialog starts in (empty when the author chose none). The text
// assistant's folder is also where the open dialog starts for documents.
using TAssistantFolderLookup = std::function<QString(actions::TAssistant)>;

// What the action box works on: the editor, a lookup of the assistants' folders, the dialogs, and
// the two dialog states it prepares (the main window's shared open dialog and the picture dialog).
struct TActionBoxContext {
    TColorMemo& editor;
    TAssistantFolderLookup assistantFolder;
    TDialogs& dialogs;
    TPrompts& prompts;
    TFileDialog& openDialog;
    TFileDialog& pictureDialog;
};

// One use of the action box with the item at index chosen (-1: nothing chosen yet). Writes the
// action link in place of the selection; with assistants on, an action that takes a file first
// lets the author choose it. Every use, a cancelled or failed one too, ends with the open dialog
// put back for documents and the focus in the editor.
void insertActionLink(const TActionBoxContext& context, int index, bool assistantsOn);

// The open dialog as documents use it between two uses of the action box: the text assistant's
// folder, text files, no file name.
void resetOpenDialog(const TActionBoxContext& context);

// Why path cannot go into an action argument, or an empty text when it can.
QString unquotablePathReason(const QString& path);
