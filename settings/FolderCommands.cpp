#include "settings/FolderCommands.h"

#include "platform/Dialogs.h"
#include "settings/FolderBrowser.h"
#include "settings/LpBrowseDlg.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"

TFavouriteFolderRow favouriteFolderRow(TFavouriteFolder folder) {
    switch (folder) {
    case TFavouriteFolder::text:
        return {"Favorite Text Folder", "Text"};
    case TFavouriteFolder::pictures:
        return {"Favorite Pictures Folder", "Pictures"};
    case TFavouriteFolder::sounds:
        return {"Favorite Sounds Folder", "Sounds"};
    case TFavouriteFolder::videos:
        return {"Favorite Videos Folder", "Video"};
    }
    return {"", ""};
}

QString readFavouriteFolder(TLpIniCtrl& store, TFavouriteFolder folder) {
    return store.ReadString(settingsKeys::kSection, favouriteFolderRow(folder).key, "");
}

bool chooseFavouriteFolder(TFavouriteFolder folder, TLpBrowseDlg& dialog, TFolderBrowser* browser,
                           TLpIniCtrl& store, TFileDialog& openDialog, TFileDialog& saveDialog) {
    const TFavouriteFolderRow row = favouriteFolderRow(folder);
    dialog.CaptionTitle = row.title;
    const bool confirmed = browser ? browser->execute(dialog) : dialog.Execute();
    if (!confirmed)
        return false;
    store.WriteString(settingsKeys::kSection, row.key, dialog.SelectedFolder());
    if (folder == TFavouriteFolder::text) {
        openDialog.initialDir = readFavouriteFolder(store, TFavouriteFolder::text);
        saveDialog.initialDir = openDialog.initialDir;
    }
    return true;
}
