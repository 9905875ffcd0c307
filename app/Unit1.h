#pragma once

#include "platform/Dialogs.h"
#include "platform/PrintService.h"
#include "platform/Prompts.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;
class TBookIndexer;
class TPagesPanel;
class TAboutBox;
class TCheckPanel;
class TDockLayout;
class TCompletionPopup;
class TOutlinePanel;
class TPageIndexer;
class TPageNavigation;
class TPagePositions;
class TFrenchSpacing;
class TPreviewPanel;
class TColorMemo;
class TPageDocument;
class TPageWatch;
class TFolderBrowser;
class TLpBrowseDlg;
class THelpViewer;
class TDocumentCommands;
class TRecovery;
class TSpellService;
class TFindBar;
class TLpColorComboBox;
class TLpComboBox;
class TLpIniCtrl;
class TLpMRUList;
class TLpSpinEdit;

// What the main window reaches the outside world through. Tests give fakes; null members get the
// real implementations.
struct TForm1Services {
    TPrompts* prompts = nullptr;
    TDialogs* dialogs = nullptr;
    TPrintService* printing = nullptr;       ///< the print dialog and the printer
    TFolderBrowser* folderBrowser = nullptr; ///< null: BrowseDlg1 shows its own window
};

// The main window: toolbar, menus, editor and status bar, and the handlers of the commands. The
// handlers are wiring; the logic lives in the classes they call.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(TForm1Services services = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // The page being edited; every panel below is a view of it.
    TPageDocument* Page1 = nullptr;
    // Components, named as in the window's layout.
    TColorMemo* Clm1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QLabel* StatusPanel1 = nullptr; ///< status bar panel 1 (400 pixels): the document name
    QLabel* StatusPanel2 = nullptr; ///< status bar panel 2: the caret's "line:column"
    QLabel* StatusPanel3 = nullptr; ///< status bar panel 3: "Modified" while the text is changed
    QLabel* StatusNote = nullptr;   ///< at the right of the status bar: short notes, never hints
    QProgressBar* LoadProgress = nullptr; ///< before the note while a page loads
    TLpSpinEdit* SpinEdit1 = nullptr;
    TLpColorComboBox* LpColorComboBox1 = nullptr;
    TLpComboBox* LpComboBox1 = nullptr;
    std::unique_ptr<TLpIniCtrl> RegCtrl1;
    TLpMRUList* MRUList1 = nullptr;
    TFileDialog OpenDialog1;
    TFileDialog SaveDialog1;
    TFileDialog OpenPic1;
    TFileDialog ExportDialog1; ///< the PDF export's save dialog
    TLpBrowseDlg* BrowseDlg1 = nullptr;
    TFindBar* FindBar1 = nullptr; ///< under the editor, hidden until Find or Replace

    // Toolbar buttons and menu items.
    QAction *NewBut, *OpenBut, *SaveBut, *SaveAsBut;
    QAction *BoldBut, *ItalBut, *UnderlineBut, *StrikeBut, *InvertBut, *CenterBut, *TabBut,
        *ToolButton1, *TargetBut, *LinkBut;
    QMenu *Fichier1, *Edition1, *Options1, *Rubriquesdaide1, *Recents;
    QAction *FileNew, *FileOpen, *FileSave, *FileSaveAs, *FilePrint, *Quitter1;
    QAction *FilePreview, *FileExportPdf;
    QAction *EditCopy1, *EditCut1, *EditPaste1, *EditSelectAll1, *HelpContents1;
    QAction *Retourauto1, *AstPic1, *Police1, *TxtFolder, *PicFolder, *SoundsFolder, *VideoFolder;
    QAction* APropos1;
    QAction *EditUndo1, *EditRedo1, *EditFind1, *EditReplace1, *EditFindNext1, *EditFindPrevious1,
        *EditGoToLine1;

    // The Markup menu (MarkupMenu.cpp): the toolbar's markup commands for the keyboard.
    QMenu *Markup1 = nullptr, *MarkupColor1 = nullptr, *MarkupAction1 = nullptr;
    // The views of the page beside the editor; between Markup and Settings.
    QMenu* View1 = nullptr;
    QAction* FileExportPreviewPdf = nullptr; ///< File > Export Preview as PDF
    QAction* FileExportBookHtml = nullptr;   ///< File > Export Book as HTML
    QAction* PreviewFont1 = nullptr;         ///< Settings > Preview Font
    QAction* MarkupFontSize1 = nullptr;      ///< its caption shows the size box's value

    TDockLayout* DockLayout1 = nullptr;      ///< shares the width between the editor and docks
    TCheckPanel* CheckPanel1 = nullptr;      ///< the markup check, docked under the editor
    TPreviewPanel* PreviewPanel1 = nullptr;  ///< the page as readers see it, right of the editor
    TSpellService* Spelling1 = nullptr;      ///< spelling while typing; its items in Settings
    TPageIndexer* PageIndexer1 = nullptr;    ///< the page's targets, links and variables
    TOutlinePanel* OutlinePanel1 = nullptr;  ///< the outline, docked at the left of the editor
    TPageNavigation* Navigation1 = nullptr;  ///< go to target, back, rename target
    TCompletionPopup* Completion1 = nullptr; ///< what the markup offers as the author types
    TFrenchSpacing* FrenchSpacing = nullptr; ///< no-break spaces of French typing
    QAction *CodeCompletion1 = nullptr, *FrenchSpacing1 = nullptr;
    TBookIndexer* BookIndexer1 = nullptr; ///< the open page's book, indexed and checked
    TPagesPanel* PagesPanel1 = nullptr;   ///< the book's pages, docked at the left
    QAction* CheckBook1 = nullptr;        ///< Edit > Check the Book
    QProgressBar* BookProgress = nullptr; ///< while the book's pages are read
    QToolButton* BookStop = nullptr;      ///< stops that reading
    TAboutBox* AboutBox = nullptr;        ///< made with the window, hidden between showings
    THelpViewer* HelpViewer = nullptr;    ///< made at the first Help Contents

    // The application's help file: the program's folder followed by the help file's name.
    QString helpFile() const { return helpFile_; }
    void setHelpFile(const QString& path) { helpFile_ = path; }

    // Set by the recent-files list: puts a path at the top of the list. Open calls it.
    std::function<void(const QString&)> addRecentFile;
    // The document commands behind the File menu.
    TDocumentCommands& documentCommands() { return *document_; }

    TPrompts& prompts() { return *prompts_; }
    TDialogs& dialogs() { return *dialogs_; }
    TPrintService& printing() { return *printing_; }

    // Runs one command: an error that it does not handle itself ends it and is shown in the
    // application's error box; the program goes on.
    void runCommand(const std::function<void()>& command);

    // Handlers.
    void FormCreate();
    void FormShow();
    void FormClose();
    bool FormCloseQuery();
    void Quitter1Click();

    void FileNewClick();
    void FileOpenClick();
    void FileSaveClick();
    void FileSaveAsClick();
    // A file chosen in the recent-files submenu; Remove set to true drops the entry.
    void MRUList1Click(const QString& aValue, bool& Remove);
    // Opens a file named on the command line as Open does once a file is chosen; after a
    // recovery at start the file only goes into the recent files.
    void openFromCommandLine(const QString& path);
    // At start, before a page named on the command line opens: offers the unsaved changes that a
    // program which did not close normally left behind. Returns whether a text was recovered.
    bool recoverAtStart();
    TRecovery& recovery() { return *recovery_; }
    void FilePrintClick();
    void FilePreviewClick();
    void FileExportPdfClick();
    void FileExportPreviewPdfClick();
    void FileExportBookHtmlClick();
    void PreviewFont1Click();

    void BoldButClick();
    void ItalButClick();
    void UnderlineButClick();
    void StrikeButClick();
    void InvertButClick();
    void CenterButClick();
    void TabButClick();
    void ToolButton1Click();
    void SpinEdit1DblClick();
    void LpColorComboBox1Select();
    void TargetButClick();
    void LinkButClick();
    void LpComboBox1DblClick();

    void Retourauto1Click();
    void AstPic1Click();
    void Police1Click();
    void APropos1Click();
    void HelpContents1Execute();
    void TxtFolderClick();
    void PicFolderClick();
    void SoundsFolderClick();
    void VideoFolderClick();

    void EditUndo1Click();
    void EditRedo1Click();
    void EditFind1Click();
    void EditReplace1Click();
    void EditFindNext1Click();     ///< F3: opens the find bar when it is closed
    void EditFindPrevious1Click(); ///< Shift+F3
    void EditGoToLine1Click();
    void CheckBook1Click();
    // Opens a page (the unsaved-changes question first) with the caret at offset (-1: where the
    // page opens). False when it did not open.
    bool openPageAt(const QString& path, int offset);
    // Files dropped on the window: the first one opens as Open would open it.
    void dropFiles(const QStringList& files);
    // A short note at the right of the status bar, cleared after the time given (0: kept).
    void showNote(const QString& text, int milliseconds = 0);

    // The edit actions act on the focused text control; their availability follows it.
    void updateEditActions();
    void readClipboard();
    bool clipboardHasText_ = false; ///< as the clipboard last told

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createMarkupMenu();
    // The outline, go to target, rename, completion and the kept places of pages
    // (PageViewParts.cpp).
    void createPageViews();
    void readPageViewSettings();
    void writePageViewSettings();
    // Keeps where the author is in the page; takes the author back where a page was left.
    void keepPagePosition();
    void restorePagePosition(const QString& path);
    // The book (BookParts.cpp): its indexer, the Pages panel, Check the Book, links to pages.
    void createBook();
    void readBookSettings();
    void writeBookSettings();
    void bookIndexed();
    void showBookCheck();
    QString pageLinkAt(int offset, QString& note);
    bool checkBookWanted_ = false; ///< Check the Book waits for the book's index
    // Spelling while typing (SpellingParts.cpp): the service, its Settings items, its settings.
    void createSpelling();
    void readSpellingSettings();
    void writeSpellingSettings();
    // A page's own spelling language: the one kept with its place, else guessed from its words.
    void choosePageLanguage(const QString& path);
    // The language to keep with a page's place: empty while it is still being guessed.
    QString pageLanguage(const QString& path) const;
    // The page preview (PreviewParts.cpp): its dock and View item, its settings.
    void createPreview();
    void restorePreview();
    void storePreview();
    // Runs a command of the page (it waits until the page is loaded) as the toolbar runs it.
    void runOnPage(void (TForm1::*handler)());
    void updateCaretPanel();
    void createRecentFiles();
    void editAction(QAction* action);
    QWidget* focusedTextControl();

    std::unique_ptr<TPrompts> ownPrompts_;
    std::unique_ptr<TDialogs> ownDialogs_;
    std::unique_ptr<TPrintService> ownPrinting_;
    TPrompts* prompts_;
    TDialogs* dialogs_;
    TFolderBrowser* folderBrowser_;
    std::unique_ptr<TDocumentCommands> document_;
    std::unique_ptr<TRecovery> recovery_;
    std::unique_ptr<TPageWatch> statusWatch_;   ///< the status bar's page name and flag
    std::unique_ptr<TPagePositions> positions_; ///< where each recent page was left
    bool recoveredAtStart_ = false;
    TPrintService* printing_;
    QString helpFile_;
    bool shownOnce_ = false;
    bool previewFontChosen_ = false; ///< a preview font was read or chosen: it is stored
    std::optional<QStringList> savedRecentFiles_; ///< the recent files as the close saved them
    QPointer<QWidget> textFocus_;                 ///< the text control the edit actions act on
};

// The status note after a paste or drop that had characters the page cannot hold.
inline QString lostCharactersNote(int count) {
    return count == 1
               ? QStringLiteral("1 character the page cannot hold became \"?\"")
               : QStringLiteral("%1 characters the page cannot hold became \"?\"").arg(count);
}

// The status note while a page loads in the background, beside the load's progress bar: short
// enough for the first-start window; its tooltip says it whole.
inline QString loadingNote(int percent) {
    return QStringLiteral("Loading\u2026 %1 %: typing is kept").arg(percent);
}
inline QString loadingNoteTip(int percent) {
    return QStringLiteral("Loading\u2026 %1 %: what you type goes in when the page is loaded")
        .arg(percent);
}

// The favourite folder an assistant's dialog starts in.
enum class TFavouriteFolder;
namespace actions {
enum class TAssistant;
}
TFavouriteFolder favouriteFolderOf(actions::TAssistant assistant);

// The image of the shared image list at index (0 to 23).
QIcon lpImage(int index);
