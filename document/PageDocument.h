#pragma once

#include "document/PageWatcher.h"
#include "document/core/FileStamp.h"

#include <QObject>
#include <QString>
#include <QStringView>

#include <string>
#include <vector>

class QTextBlock;
class QTextCursor;
class QTextDocument;
class TDisplayCuts;

// The page being edited: its text and undo history, its file, its displayed name and its state.
// The main window makes it; the editor, the checker, find and replace, the preview, the outline,
// spelling, recovery and printing are its views, told of every change through TPageWatcher.
//
// The text lives in a QTextDocument that views show; a line longer than longLine() is kept there as
// display blocks of piece() characters, which no reader sees. Offsets are the page's own: 0-based,
// a line break counts as the two characters CR LF, and the cuts between display blocks count as
// nothing. Lines are the text's lines, counted from 0.
class TPageDocument : public QObject {
    Q_OBJECT
public:
    explicit TPageDocument(QObject* parent = nullptr);
    ~TPageDocument() override;

    // The page of a QTextDocument that a page document holds; nothing for any other.
    static TPageDocument* of(QTextDocument* document);
    static const TPageDocument* of(const QTextDocument* document);

    // The toolkit's document that views show and edit.
    QTextDocument* textDocument() const { return document_; }

    // A line longer than this is kept in display blocks, and whether text holds one.
    static int longLine();
    static int piece();
    static bool hasLongLine(QStringView text);

    // ---- Reading, in page terms ----

    // The text with CR LF line breaks; the page text ('\n' between lines); the text with lines
    // separated by U+2029 as QTextDocument::toRawText gives it (the fastest to make).
    QString text() const;
    QString pageText() const;
    QString rawText() const;
    // The page bytes, as they are written to a file (Windows-1252, CR LF).
    std::string pageBytes() const;
    // Length in page offsets, and the text's lines.
    int length() const;
    int lineCount() const;
    QString lineText(int line) const;
    // The offset of a line's first character (-1 when there is no such line).
    int lineOffset(int line) const;
    struct TLineColumn {
        int line = 0, column = 0;
    };
    TLineColumn lineColumnOfOffset(int offset) const;

    // ---- The toolkit's document positions, for views ----

    int offsetFromPosition(int position) const;
    int positionFromOffset(int offset) const;
    // The characters between two document positions, lines separated by U+2029.
    QString rawText(int from, int to) const;
    // Document position <-> position in rawText().
    int textPosition(int position) const;
    int documentPosition(int textPosition) const;
    TLineColumn lineColumn(int position) const;
    // Whether a block continues the line of the block before it; a block's line; the first block
    // of a line.
    bool continuesLine(int block) const;
    int lineOfBlock(int block) const;
    int firstBlockOfLine(int line) const;
    // How many blocks up to and including `block` continue the block before them.
    int continuationsUpTo(int block) const;
    bool hasContinuations() const;

    // ---- Editing ----

    // Replaces the whole text with page text (lines separated by "\n", every character a page
    // character), dropping the undo history; the page counts as unchanged.
    void setPageText(const QString& page);
    // Writes page text in place of the cursor's selection, cutting the lines it leaves long. The
    // caller's edit block, if any, holds it all.
    void insertText(QTextCursor& cursor, const QString& page);
    // Replaces `length` characters at a page offset with page text, as one undo step.
    void replace(int offset, int length, const QString& page);
    // Replaces each range (page offsets, in increasing order, none overlapping) with the same
    // page text, as one undo step.
    struct TRange {
        int offset = 0, length = 0;
    };
    void replaceEach(const std::vector<TRange>& ranges, const QString& page);
    // Appends page text at the end, as a page coming in from its file does.
    void append(const QString& page);
    // Whether edits are kept in the undo history; turning it off drops the history (a page being
    // loaded or restored has none).
    void keepHistory(bool on);
    // Before an edit that changes text in several places at once: keeps the display blocks that
    // the edit leaves standing.
    void prepareWideEdit();
    // Takes back or does again one step, with its display blocks.
    void undo();
    void redo();

    // ---- The file ----

    using TLoadState = TPageLoadState;

    QString path() const { return path_; }
    void setPath(const QString& path);
    // The name the window shows for the page: its file, or "Untitled".
    QString displayName() const;
    // The file as last read or written (nothing known: an empty stamp).
    const TFileStamp& diskStamp() const { return stamp_; }
    TFileStamp& diskStamp() { return stamp_; }
    bool isModified() const;
    void setModified(bool modified);
    TLoadState loadState() const { return loadState_; }
    void setLoadState(TLoadState state);

    // Views: each is told of every change until it is removed (or the document goes).
    // Watching changes nothing: a view holding the page read-only watches it too.
    void addWatcher(TPageWatcher* watcher) const;
    void removeWatcher(TPageWatcher* watcher) const;

private:
    void contentsChanged(int position, int removed, int added);
    // Tells the watchers when the modified flag is no longer what they were last told.
    void checkModified();
    template <typename F> void tell(F&& notice);

    mutable std::vector<TPageWatcher*> watchers_;
    bool modified_ = false; ///< as the watchers were last told
    QTextDocument* document_;
    TDisplayCuts* cuts_;
    QString path_;
    TFileStamp stamp_;
    TLoadState loadState_ = TLoadState::Idle;
    int length_ = 0; ///< page length before the change being reported
};

// A block's page offset, and whether a line break (CR LF) follows it: the cut between two display
// blocks of a long line is no character. Blocks of a document that no page holds are lines.
int blockStartOffset(const QTextBlock& block);
bool lineBreakAfter(const QTextBlock& block);

// The same questions of any document, answered without display cuts when a page holds it: its raw
// text, a position's page offset and back, its length and its lines.
QString rawTextOf(const QTextDocument& document);
int pageOffsetOf(const QTextDocument& document, int position);
int documentPositionOf(const QTextDocument& document, int offset);
int pageLengthOf(const QTextDocument& document);
int pageLineCountOf(const QTextDocument& document);
