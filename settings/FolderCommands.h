#pragma once

#include <QString>

class TFolderBrowser;
class TLpBrowseDlg;
class TLpIniCtrl;
struct TFileDialog;

// The four favourite folders the author keeps page material in.
enum class TFavouriteFolder { text, pictures, sounds, videos };

struct TFavouriteFolderRow {
    const char* title; ///< the folder dialog's title
    const char* key;   ///< the setting in settingsKeys::kSection
};

TFavouriteFolderRow favouriteFolderRow(TFavouriteFolder folder);

// The stored favourite folder; empty when none was chosen yet.
QString readFavouriteFolder(TLpIniCtrl& store, TFavouriteFolder folder);

// One folder command: the shared dialog (which keeps the last confirmed folder of any of the four
// as its preselection) shows the row's title; a confirmed folder is stored at once. The text folder
// also becomes the starting folder of the document dialogs. browser null: the dialog's own
// Execute. Returns whether a folder was stored.
bool chooseFavouriteFolder(TFavouriteFolder folder, TLpBrowseDlg& dialog, TFolderBrowser* browser,
                           TLpIniCtrl& store, TFileDialog& openDialog, TFileDialog& saveDialog);
