#pragma once

class TLpBrowseDlg;

// Runs a folder-browse dialog; tests answer in place of the author.
class TFolderBrowser {
public:
    virtual ~TFolderBrowser() = default;
    // As TLpBrowseDlg::Execute: true with dialog.SelectedFolder() the confirmed folder.
    virtual bool execute(TLpBrowseDlg& dialog) = 0;
};
