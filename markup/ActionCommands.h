#pragma once

#include "settings/FolderCommands.h"

#include <QString>

#include <functional>

class TColorMemo;
class TDialogs;
class TPrompts;
struct TFileDialog;

// The stored favourite folder (empty when none was chosen).
using TFavouriteFolderLookup = std::function<QString(TFavouriteFolder)>;

// What the action box works on: the editor, a lookup of the favourite folders, the dialogs, and
// the two dialog states it prepares (the main window's shared open dialog and the picture dialog).
struct TActionBoxContext {
    TColorMemo& editor;
    TFavouriteFolderLookup favouriteFolder;
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

// The open dialog as documents use it between two uses of the action box: the favourite text
// folder, text files, no file name.
void resetOpenDialog(const TActionBoxContext& context);

// Why path cannot go into an action argument, or an empty text when it can.
QString unquotablePathReason(const QString& path);
