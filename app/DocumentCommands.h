#pragma once

#include "document/core/FileStamp.h"
#include "platform/Prompts.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class TColorMemo;
class TDialogs;
struct TFileDialog;
class TPageLoad;

// The document's life: New, Open, Save, Save As, opening a recent file and the close check.
//
// The page document (the editor's) holds the text, the modified flag, the file, its disk stamp and
// the load state. The file is also the save dialog's file name (empty for a document without a
// file) and its displayed name the text of status panel 1, which the unsaved-changes question
// quotes: these commands keep the three in step.
//
// When the author answers Yes to the question and the save does not happen (the save dialog is
// cancelled or writing fails), the command that asked stops and the document stays as it was,
// still marked changed: the author's changes are never dropped without a No.
//
// The commands also remember the file as they loaded or last saved it (size, times, identity, hash
// of the bytes), to tell when another program changed it. When the window becomes active again
// the author is asked whether to reload it, once per change: not again after either question
// about that change. Every save asks whether to overwrite it, until it is reloaded or written
// over.
class TDocumentCommands {
public:
    struct TParts {
        TPrompts& prompts;
        TDialogs& dialogs;
        TColorMemo& editor;
        TFileDialog& openDialog;
        TFileDialog& saveDialog;
    };
    explicit TDocumentCommands(TParts parts);
    ~TDocumentCommands();

    // Called with the path of every file that Open (or the command line) has loaded, to put it at
    // the top of the recent files.
    std::function<void(const QString&)> addRecentFile;
    // Called whenever the document becomes unchanged by a load, New or a save: changes kept
    // elsewhere (the recovery copy) are no longer needed.
    std::function<void()> textClean;

    // Told while a page still shows, before another takes its place (Open, New, a recovered
    // text), so that where the author left it can be kept; and when a page from a file is
    // completely loaded (its path), so that the author can be taken back there.
    std::function<void()> leavingPage;
    std::function<void(const QString& path)> pageLoaded;

    // A page longer than its first screenful goes on loading in the background after Open has
    // shown its beginning: the editor is read-only meanwhile, and the document counts as
    // loaded (unchanged, its file stamp taken, no undo step) only once the page is complete.
    // Told when a background load starts (true) and when it ends or stops (false).
    std::function<void(bool loading)> loadingChanged;
    // Told now and then during a background load: percent of the file read.
    std::function<void(int percent)> loadProgress;
    bool loading() const;
    // Loads the rest of the page now: what edits or writes the text waits for this.
    void finishLoading();
    // Drops the rest of the page and leaves the document empty (the window is closing).
    void cancelLoading();

    // The bytes of a page read before the window shows it.
    static constexpr qint64 kFirstBytes = qint64(64) << 10;

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
    // Starts an empty, unchanged page named path, a file that does not exist yet (the command
    // line): Save writes it there without asking for a name.
    void startNamed(const QString& path);
    // Opens a file chosen outside the open dialog (dropped on the window) as Open does: the
    // unsaved-changes question first.
    void openFile(const QString& path);

    QString currentFileName() const;
    QString displayedName() const;

    // The document's file as loaded or last saved; exists is false for a document without one.
    const TFileStamp& diskStamp() const { return disk_; }
    // Puts back a recovered text: as an open of path would leave the document (an empty path
    // stays Untitled), but marked changed. stamp is the file as it was when the text was taken.
    void restore(const QString& path, const QString& text, const TFileStamp& stamp);
    // Looks whether another program changed or removed the document's file, and asks whether to
    // reload it unless the author was asked about that change already. A removed file leaves the
    // document marked changed.
    void checkDisk();

private:
    TAnswer askSaveChanges();
    // Asks about unsaved changes; returns whether the command that asks may go on.
    bool saveChangesFirst();
    // Replaces the document with the file's text; on failure the document stays as it was.
    void load(const QString& path);
    // A save in place of the page that was stopped midway (the program was killed) left the
    // previous text in a backup: when the page holds the new text only in part, asks whether to
    // put it back, delete it, or keep both.
    void putBackInterruptedSave(const QString& path);
    void write(const QString& path);
    void markClean();
    // The end of a load: the document becomes the file's as it was read (stamp).
    void loaded(qint64 zeroOffset, const TFileStamp& stamp);
    void stopLoad();
    // Leaves the document empty and without a file.
    void dropPage();
    // The document's file (empty: none) for the page, the save dialog and the status panel.
    void setFile(const QString& path);
    // Whether path may be written: asks when another program changed it since it was loaded or
    // last saved.
    bool overwriteConfirmed(const QString& path);
    // Whether the file at path is as it was when the author was last asked about a change.
    bool askedAboutNow(const QString& path);
    // Remembers the file at path as the change the author is being asked about.
    void asking(const QString& path);

    TParts parts_;
    TFileStamp& disk_;                     ///< the page's file as loaded or last saved
    std::optional<TFileStamp> askedAbout_; ///< the last outside change the author was asked about
    bool checkingDisk_ = false;
    std::unique_ptr<TPageLoad> load_; ///< the page's background load, once there was one
};
