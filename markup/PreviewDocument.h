#pragma once

#include "markup/core/PreviewRuns.h"

#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QObject>
#include <QPalette>
#include <QString>
#include <QTextCharFormat>

#include <algorithm>
#include <string>

class QTextBlock;
class QTextCursor;
class QTextDocument;
class TPageDocument;

// The page as readers see it, in a QTextDocument of its own: one block for each page line, styled
// as its codes say (markup/core/PreviewRuns.h). Follows the page's changes a line at a time:
// an edit writes again the blocks whose paragraph changed and no other. A long page is written in
// slices between events, from the top; the blocks not written yet are not in the document.
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
    // Reads the whole page again; writes blocks for up to `budgetMs` milliseconds now (-1: all of
    // them) and the rest in slices between events.
    void rebuild(int budgetMs = 150);
    // Lines read and written in the document so far, of all the page's lines.
    int builtLines() const { return lines_.lineCount(); }
    bool complete() const { return lines_.lineCount() >= shownLines() && lines_.pending() < 0; }
    // The toolkit's layout moves every paragraph below an edit that changes a paragraph's height:
    // the preview shows the page's first kMaxLines lines, so that a key stays quick.
    static constexpr int kMaxLines = 25000;
    int shownLines() const { return std::min(pageLines_, kMaxLines); }
    int pageLines() const { return pageLines_; }
    // Writes blocks until the line is in (or the page is complete), and every block that still
    // waits to be read again.
    void buildTo(int line);

    // The page offset of the source byte that a document position shows, and the document position
    // that shows (or follows) a page offset.
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

signals:
    // Blocks old [first, first + removed) gave way to new [first, first + added).
    void updated(int first, int removed, int added);
    void rebuilt();

private:
    void pageChanged(int offset, int removed, int added);
    void continueBuilding();
    void queueSlice();
    // Reads again, for up to budgetMs milliseconds (-1: all), the lines an edit left to read.
    void sweep(int budgetMs);
    void rewriteBlock(QTextCursor& cursor, const QTextBlock& block, const QString& text,
                      const markup::TPreviewParagraph& p);
    // Reads and writes lines after those written, up to `line` or until `budgetMs` is spent.
    void append(int line, int budgetMs);
    const markup::TPreviewParagraph& readLine(int line, QString& text) const;
    void writeParagraph(QTextCursor& cursor, const QString& text,
                        const markup::TPreviewParagraph& p, bool newBlock);
    const QTextCharFormat& format(const markup::TPreviewStyle& style);
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
    bool sliceQueued_ = false;
    // The line being read and its bytes, for the model's reader.
    mutable QString lineText_;
    mutable std::string lineBytes_;
    mutable markup::TPreviewParagraph paragraph_;
};
