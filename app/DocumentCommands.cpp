#include "app/DocumentCommands.h"

#include "app/PageLoad.h"
#include "document/PageDocument.h"
#include "document/PageFiles.h"
#include "document/core/PageFile.h"
#include "editor/ColMemo.h"
#include "platform/Dialogs.h"
#include "platform/DiskStamps.h"
#include "platform/Errors.h"
#include "platform/Prompts.h"
#include "platform/core/SafeFile.h"

#include <QFileInfo>
#include <QLabel>

#include <algorithm>
#include <limits>
#include <unistd.h>

namespace {} // namespace

TDocumentCommands::TDocumentCommands(TParts parts)
    : parts_(parts), disk_(parts.editor.Page().diskStamp()) {}

TDocumentCommands::~TDocumentCommands() = default;

bool TDocumentCommands::loading() const {
    return load_ && load_->running();
}

void TDocumentCommands::finishLoading() {
    if (loading())
        load_->finishNow();
}

void TDocumentCommands::cancelLoading() {
    if (!loading())
        return;
    stopLoad();
    dropPage();
}

void TDocumentCommands::dropPage() {
    // No half page stays behind.
    parts_.editor.Clear();
    setFile({});
    disk_ = {};
    askedAbout_.reset();
}

void TDocumentCommands::stopLoad() {
    const bool was = loading();
    load_.reset();
    if (was) {
        parts_.editor.setReadOnly(false);
        if (loadingChanged)
            loadingChanged(false);
    }
    parts_.editor.Page().setLoadState(TPageDocument::TLoadState::Idle);
}

QString TDocumentCommands::currentFileName() const {
    return parts_.editor.Page().path();
}

void TDocumentCommands::setFile(const QString& path) {
    parts_.editor.Page().setPath(path);
    parts_.saveDialog.fileName = path;
}

QString TDocumentCommands::displayedName() const {
    return parts_.editor.Page().displayName();
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
    if (leavingPage)
        leavingPage();
    stopLoad();
    // An editor without any line keeps its modified flag: clearing it would change nothing else.
    if (parts_.editor.LineCount() > 0)
        parts_.editor.Clear();
    if (!parts_.editor.Modified() && textClean)
        textClean();
    setFile({});
    disk_ = {};
    askedAbout_.reset();
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

void TDocumentCommands::startNamed(const QString& path) {
    if (leavingPage)
        leavingPage();
    stopLoad();
    if (parts_.editor.LineCount() > 0)
        parts_.editor.Clear();
    parts_.editor.SetModified(false);
    setFile(path);
    disk_ = {};
    askedAbout_.reset();
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
    finishLoading();
    const QString path = currentFileName();
    if (path.isEmpty())
        return fileSaveAs();
    if (!overwriteConfirmed(path))
        return false;
    write(path);
    markClean();
    setFile(path);
    return true;
}

bool TDocumentCommands::fileSaveAs() {
    finishLoading();
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
    markClean();
    setFile(dialog.fileName);
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
    if (!previous.isEmpty() && !overwriteConfirmed(previous))
        return false;
    try {
        write(dialog.fileName);
    } catch (...) {
        dialog.fileName = previous;
        throw;
    }
    return true;
}

void TDocumentCommands::putBackInterruptedSave(const QString& path) {
    const std::string local = QFile::encodeName(path).toStdString();
    // Backups of no more use (the save finished, or never touched the page) go without a word.
    for (const safefile::TInterruptedBackup& backup : safefile::interruptedBackups(local)) {
        const QString kept = QFile::decodeName(backup.path.c_str());
        if (!backup.complete) {
            // Left by an earlier version, which could not tell a whole copy from a part of one:
            // never put back, only deleted when the author says so.
            const TAnswer answer = parts_.prompts.askYesNoCancel(
                QStringLiteral("A save of %1 by an earlier version of Lark Pad was interrupted. "
                               "A copy of the page's earlier text is kept in %2, but it may be "
                               "incomplete, so it is not put back: compare the two files "
                               "yourself.\n\nDelete the copy? Non and Annuler keep it.")
                    .arg(path, kept),
                TAnswer::Cancel);
            if (answer == TAnswer::Yes)
                QFile::remove(kept);
            continue;
        }
        // The default changes nothing: both files stay as they are.
        const TAnswer answer = parts_.prompts.askYesNoCancel(
            QStringLiteral(
                "A save of %1 was interrupted: the page holds the new text only in part. Its "
                "previous text is kept whole in %2.\n\nOui puts the previous text back, Non "
                "keeps the page as it is and deletes the copy, Annuler keeps both until the page "
                "is saved again.")
                .arg(path, kept),
            TAnswer::Cancel);
        if (answer == TAnswer::Cancel)
            return;
        if (answer == TAnswer::No) {
            QFile::remove(kept);
            continue;
        }
        const safefile::TWriteResult r = safefile::putBackBackup(local, backup.path);
        if (!r.ok())
            throw TLpError(
                QStringLiteral("The previous text of %1 could not be put back: %2. It is still "
                               "kept in %3.")
                    .arg(path, QString::fromLocal8Bit(safefile::reasonOf(r.error).c_str()), kept));
        // The page holds its previous text whole again: the write removed the other backups.
        return;
    }
}

void TDocumentCommands::load(const QString& path) {
    putBackInterruptedSave(path);
    // The first screenful is read before anything changes: a file that cannot be read leaves the
    // document (and a load in progress) as it was.
    auto reader = std::make_unique<TPageReader>(path);
    QString first;
    // A file over the capacity is read whole, so that it is refused before the document changes.
    const bool whole = reader->fileSize() > qint64(pagefile::kCapacity);
    reader->read(first, whole ? std::numeric_limits<qint64>::max() : kFirstBytes);
    if (leavingPage)
        leavingPage();
    stopLoad();
    // The loaded text holds page characters and '\n' line breaks only, so it goes into the editor
    // as it is: one replacement of the whole text, which also drops the undo history.
    parts_.editor.SetPageText(first);
    first = QString();
    setFile(path);
    disk_ = {};
    askedAbout_.reset();
    if (reader->atEnd()) {
        loaded(reader->zeroOffset(), reader->stamp());
        return;
    }
    // Read-only, but the caret still moves and selects with the keys.
    parts_.editor.setReadOnly(true);
    parts_.editor.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    load_ = std::make_unique<TPageLoad>(parts_.editor.Page(), std::move(reader));
    load_->progress = [this](qint64 done, qint64 total) {
        if (loadProgress && total > 0)
            loadProgress(int(std::min<qint64>(100, done * 100 / total)));
    };
    load_->finished = [this](qint64 zeroOffset, const TFileStamp& stamp) {
        parts_.editor.setReadOnly(false);
        if (loadingChanged)
            loadingChanged(false);
        loaded(zeroOffset, stamp);
        // Last: what was typed meanwhile goes in now, as a change of the loaded page.
        parts_.editor.Page().setLoadState(TPageDocument::TLoadState::Idle);
    };
    load_->failed = [this](const QString& message) {
        parts_.editor.setReadOnly(false);
        dropPage();
        if (loadingChanged)
            loadingChanged(false);
        parts_.editor.Page().setLoadState(TPageDocument::TLoadState::Idle);
        parts_.prompts.applicationError(message);
    };
    load_->start();
    parts_.editor.Page().setLoadState(TPageDocument::TLoadState::Loading);
    if (loadingChanged)
        loadingChanged(true);
}

void TDocumentCommands::loaded(qint64 zeroOffset, const TFileStamp& stamp) {
    markClean();
    // The file as the load read it: a change made meanwhile is a change the author is asked about.
    disk_ = stamp;
    askedAbout_.reset();
    if (zeroOffset >= 0)
        parts_.prompts.warning(
            QStringLiteral("This file holds a zero byte at offset %1. The text ends there: what "
                           "follows is not shown, and saving under the same name would lose it.")
                .arg(zeroOffset));
    if (pageLoaded)
        pageLoaded(currentFileName());
}

void TDocumentCommands::write(const QString& path) {
    disk_ = savePageFile(path, parts_.editor.Page());
    askedAbout_.reset();
}

void TDocumentCommands::markClean() {
    parts_.editor.SetModified(false);
    // Replacing the whole text resets the flag without the editor's notice: tell it here.
    if (textClean)
        textClean();
}

bool TDocumentCommands::askedAboutNow(const QString& path) {
    if (!askedAbout_)
        return false;
    if (!askedAbout_->exists)
        return !statFile(path).exists;
    return sameOnDisk(*askedAbout_, path);
}

void TDocumentCommands::asking(const QString& path) {
    // With the bytes' hash, a touch or a copy of the same bytes is still the change asked about. A
    // file that cannot be read is known by what the file system tells of it.
    const TFileStamp now = readFileStamp(path);
    askedAbout_ = now.exists ? now : statFile(path);
}

bool TDocumentCommands::overwriteConfirmed(const QString& path) {
    // Asked at every save until the change is reloaded or written over: a Non stands only for
    // the save it answered.
    if (sameOnDisk(disk_, path) || !statFile(path).exists)
        return true;
    // The window coming back does not ask to reload a change the author was just asked about.
    if (!askedAboutNow(path))
        asking(path);
    return parts_.prompts.askYesNoCancel(
               QStringLiteral("The file %1 was changed by another program since it was opened. "
                              "Overwrite it?")
                   .arg(path)) == TAnswer::Yes;
}

void TDocumentCommands::restore(const QString& path, const QString& text, const TFileStamp& stamp) {
    if (leavingPage)
        leavingPage();
    stopLoad();
    // In as a page is loaded: its first part, then the rest appended a slice at a time, out of
    // the undo history. The text is page text, so slices may end anywhere.
    const qsizetype first = std::min(text.size(), qsizetype(kFirstBytes));
    parts_.editor.SetPageText(text.first(first));
    TPageDocument& page = parts_.editor.Page();
    page.keepHistory(false);
    for (qsizetype at = first; at < text.size(); at += TPageLoad::kAppend)
        page.append(text.sliced(at, std::min(text.size() - at, TPageLoad::kAppend)));
    page.keepHistory(true);
    parts_.editor.SetModified(true);
    setFile(path);
    disk_ = path.isEmpty() ? TFileStamp() : stamp;
    askedAbout_.reset();
}

void TDocumentCommands::checkDisk() {
    const QString path = currentFileName();
    if (checkingDisk_ || path.isEmpty() || !disk_.exists || askedAboutNow(path))
        return;
    // Touched or copied over with the same bytes: its new times and identity are remembered, so
    // that its bytes are not read again.
    if (sameOnDisk(disk_, path)) {
        askedAbout_.reset(); // back as it was: a change like the one asked about is a new one
        return;
    }
    if (!statFile(path).exists) {
        // Gone or moved away: the text shown is now the only one; Save writes it again.
        askedAbout_ = TFileStamp();
        parts_.editor.SetModified(true);
        return;
    }
    asking(path);
    checkingDisk_ = true;
    QString question =
        QStringLiteral("The file %1 was changed by another program. Reload it?").arg(path);
    if (parts_.editor.Modified())
        question += QStringLiteral(" The changes made in Lark Pad would be lost.");
    const TAnswer answer = parts_.prompts.askYesNoCancel(question);
    checkingDisk_ = false;
    if (answer == TAnswer::Yes)
        load(path);
}
