#pragma once

#include "settings/BrowsePlacement.h"

#include <QObject>
#include <QString>

#include <functional>

class QModelIndex;
class QWidget;
class TLpBrowseWindow;

// Root of the folder tree. Values without a counterpart on this system root the tree at "/".
enum TBrowseFolder {
    bfoDesktop,
    bfoDesktopExpanded,
    bfoPrograms,
    bfoControlPanel,
    bfoPrinters,
    bfoPersonal,
    bfoFavorites,
    bfoStartup,
    bfoRecent,
    bfoSendto,
    bfoRecycleBin,
    bfoStartMenu,
    bfoDesktopDirectory,
    bfoMyComputer,
    bfoNetwork,
    bfoNetworkNeighborhood,
    bfoInternet,
    bfoFonts,
    bfoTemplates,
    bfoCommonStartMenu,
    bfoCommonPrograms,
    bfoCommonStartup,
    bfoCommonDesktopDirectory,
    bfoAppData,
    bfoPrintHood
};

// Dialog behaviour, combined as a set of bits (1 << value).
enum TBrowseOption {
    doBrowseForComputer,
    doBrowseForPrinter,
    doDontGoBelowDomain,
    doReturnFileSysAncestors,
    doReturnFileSysDirs,
    doStatusText,
    doShowFiles,
    doAllowEdit,
    doShowPath,
    doEnableOK
};
using TBrowseOptions = unsigned;
constexpr TBrowseOptions browseOption(TBrowseOption o) {
    return 1u << o;
}

// The folder tree's root folder for a start folder on this system.
QString browseRootPath(TBrowseFolder folder);

// The folder-browse dialog as a component: its properties are kept between showings, and Execute
// shows a modal tree of folders built from them.
class TLpBrowseDlg : public QObject {
    Q_OBJECT
public:
    explicit TLpBrowseDlg(QObject* owner = nullptr);
    ~TLpBrowseDlg() override;

    // Published properties.
    QString CaptionTitle; ///< window title; empty keeps the default title
    QString Caption;      ///< instruction above the tree
    TBrowseFolder StartFolder = bfoDesktopExpanded;
    TBrowseOptions Options = browseOption(doReturnFileSysDirs) | browseOption(doShowPath);
    TBrowsePosition Position = bpCenter;
    TBrowseRelate RelatePos = brActiveWindow;

    // The folder selected when the dialog opens, and the chosen one after OK. Assigning it while
    // the dialog is open selects it there.
    QString SelectedFolder() const { return selectedFolder_; }
    void SetSelectedFolder(const QString& path);
    // The status line's text; assigning it while the dialog is open shows it at once.
    QString StatusText() const { return statusText_; }
    void SetStatusText(const QString& text);

    std::function<void()> OnInit;
    std::function<void(TLpBrowseDlg* sender, QWidget* dialog, const QString& path,
                       const QModelIndex& item)>
        OnSelectionChanged;
    // A name typed in the edit box that is no folder; setting cancel keeps the dialog open.
    std::function<void(TLpBrowseDlg* sender, const QString& path, bool& cancel)> OnValidate;

    // Shows the dialog modally. True when the author confirmed a folder, which SelectedFolder then
    // holds; false on cancel, SelectedFolder unchanged.
    bool Execute();

    // How Execute runs the window; tests replace it to drive the window without an event loop.
    // Returns the window's result (QDialog::Accepted or Rejected).
    std::function<int(TLpBrowseWindow&)> runner;

    // The open window while Execute runs, else null.
    TLpBrowseWindow* window() const { return window_; }

    // The rectangle the dialog is placed in, for RelatePos.
    QRect referenceRect() const;

private:
    QString selectedFolder_;
    QString statusText_;
    TLpBrowseWindow* window_ = nullptr;
};
