#pragma once

#include "document/PageWatcher.h"
#include "markup/core/PreviewRuns.h"

#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QObject>
#include <QPalette>
#include <QString>
#include <QTextCharFormat>

#include <algorithm>
#include <functional>
#include <string>

class QTextBlock;
class QTextCursor;
class QTextDocument;
class TPageDocument;

// The page as readers see it, in a QTextDocument of its own: one block for each page line of a
// window around the part in view, styled as its codes say (markup/core/PreviewRuns.h). The state at
// every line's end is kept for the whole page (read in slices between events on a long page), so
// that a window can start anywhere, and an edit writes again only the blocks of the window whose
// paragraph changed. The window holds at most kMaxWindow lines: the toolkit's layout moves every
// paragraph below one whose height changed, so a key stays quick on any page.
class TPreviewDocument : public QObject {
    Q_OBJECT
public:
    explicit TPreviewDocument(TPageDocument& page, QObject* parent = nullptr);
    ~TPreviewDocument() override;

    QTextDocument* document() const { return doc_; }
    TPageDocument& page() const { return page_; }

    // The base font (the desktop's proportional font at 12 points unless chosen), and the colours
    // of text, background and links.
    void setBaseFont(const QFont& font);
    QFont baseFont() const { return font_; }
    void setPalette(const QPalette& palette);
    static QFont defaultFont();

    // Only while active does it follow the page; made active, it reads the page afresh.
    void setActive(bool active);
    bool active() const { return active_; }
    // Reads the whole page again; reads for up to `budgetMs` milliseconds now (-1: all of it) and
    // the rest in slices between events. The window goes back around the line it held.
    void rebuild(int budgetMs = 150);
    // Lines whose states are read so far, of all the page's lines; complete once all are read
    // and none waits to be read again after an edit.
    int readLines() const { return lines_.lineCount(); }
    bool complete() const { return lines_.lineCount() >= pageLines_ && lines_.pending() < 0; }
    int pageLines() const { return pageLines_; }
    // Reads every line now, and every line an edit left to read again.
    void readAll();

    // The window: page lines [windowFirst(), windowFirst() + windowLines()) are the document's
    // blocks, in order.
    static constexpr int kMaxWindow = 2400;
    static constexpr int kWindowStep = 600; ///< lines added at a time, above or below
    int windowFirst() const { return windowFirst_; }
    int windowLines() const { return windowLines_; }
    bool inWindow(int line) const {
        return line >= windowFirst_ && line < windowFirst_ + windowLines_;
    }
    enum class THold { InWindow, Moved, NotRead };
    // Makes the window hold a page line: as it is when the line is in it, else placed around it
    // (Moved). A line not read yet is held once the slices reach it (windowMoved then).
    THold holdLine(int line);
    // Adds kWindowStep lines above (or below) the window, leaving out as many at the other end as
    // go past kMaxWindow. False when there is nothing more that way.
    bool extendWindow(bool up);

    // The page offset of the source byte that a document position shows, and the document position
    // that shows (or follows) a page offset, or -1 when its line is not in the window.
    int pageOffsetOf(int position) const;
    int positionOf(int pageOffset) const;

    struct TLinkInfo {
        bool link = false;
        QString action; ///< without its "="
        int from = 0;   ///< page offsets of the link's source ("^L" to "^l") on this line
        int to = 0;
    };
    // The link at a position, with its action text when asked for (it may take reading on).
    TLinkInfo linkAt(int position, bool withAction = true) const;
    // The page offset of a target mark "^M" name "^m", or -1.
    int targetOffset(const QString& name) const;

    // The whole page, styled, read afresh into another document (for export); `progress` is told
    // the lines written of all and may say stop. False when stopped.
    bool writePage(QTextDocument& into, const std::function<bool(int, int)>& progress = {});

signals:
    // Blocks old [first, first + removed) gave way to new [first, first + added).
    void updated(int first, int removed, int added);
    void rebuilt();
    // The window was placed anew around the line it was to hold.
    void windowMoved();

private:
    void pageChanged(int offset, int removed, int added);
    void continueBuilding();
    void queueSlice();
    // Reads again, for up to budgetMs milliseconds (-1: all), the lines an edit left to read.
    void sweep(int budgetMs);
    // Reads lines after those read, up to `line` or until `budgetMs` is spent (one step at least).
    void readOn(int line, int budgetMs);
    // Places the window on lines [first, first + count) (within those read), keeping the blocks
    // of lines it already holds.
    void setWindow(int first, int count);
    // Where the window goes to hold a line, and placing it there when its lines are read.
    void placeWanted();
    // Blocks [from, to) of the document out; what is left of them, of lines [first, first + count)
    // written in their place.
    void removeBlocks(int from, int to);
    void insertLines(int block, int first, int count);
    void rewriteBlock(QTextCursor& cursor, const QTextBlock& block, const QString& text,
                      const markup::TPreviewParagraph& p);
    // A sink that writes the lines of the window into their blocks.
    markup::TPreviewLines::TParagraphSink windowSink(QTextCursor& cursor, QString& text);
    markup::TPreviewLines::TLineReader lineReader(QString& text) const;
    const markup::TPreviewParagraph& readLine(int line, QString& text) const;
    void writeParagraph(QTextCursor& cursor, const QString& text,
                        const markup::TPreviewParagraph& p, bool newBlock);
    const QTextCharFormat& format(const markup::TPreviewStyle& style);
    // Makes the links of a paragraph just written (from blockStart) anchors that lead where
    // hrefAt says for a link's source byte, and its target marks named anchors.
    void markAnchors(QTextCursor& cursor, int blockStart, const QString& text,
                     const markup::TPreviewParagraph& p,
                     const std::function<std::string(int)>& hrefAt);
    static void toBytes(const QString& text, std::string& bytes);

    TPageDocument& page_;
    QTextDocument* doc_;
    markup::TPreviewLines lines_;
    QFont font_;
    QPalette palette_;
    qreal tabWidth_ = 8;
    QHash<quint64, QTextCharFormat> formats_;
    bool active_ = false;
    int pageLines_ = 0; ///< the page's lines as the last change left them
    int windowFirst_ = 0;
    int windowLines_ = 0;
    int held_ = 0;    ///< the line the window was last asked to hold
    int wanted_ = -1; ///< the line the window is to hold once read; -1: none waits
    int fillTo_ = 0;  ///< a window placed before its lines were read grows to this line
    bool sliceQueued_ = false;
    // The line being read and its bytes, for the model's reader.
    mutable QString lineText_;
    mutable std::string lineBytes_;
    mutable markup::TPreviewParagraph paragraph_;
    // The line whose text and paragraph those are, as the page and the states are now (-1:
    // none; any change forgets it).
    void keepLine(int line, const QString& text, const markup::TPreviewParagraph& p) const;
    mutable int cachedLine_ = -1;
    TPageWatch watch_; ///< last: the page is watched while all stands
};
