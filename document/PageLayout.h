#pragma once

#include <QPlainTextDocumentLayout>
#include <QTextCursor>

// The page's layout for its editor: the toolkit's plain-text layout, lines wrapped and measured
// the same way, except that nothing in it walks every block of the page.
//
// The toolkit's own layout walks the whole page, giving every line a layout object of its own
// (about 300 bytes each), when the widest line it has laid out gets narrower and when the view's
// width changes. Typing a paragraph at the end of a 50 MB page froze the window a third of a
// second the first time a word wrapped and added 200 MB; showing a side panel did the same.
// Here a block is laid out only when it is asked for, and a new width empties only the layouts
// that exist.
class TPageLayout : public QPlainTextDocumentLayout {
    Q_OBJECT

public:
    explicit TPageLayout(QTextDocument* document);

    // The width lines wrap at: the editor's view width. 0 (no view yet) lays lines out unwrapped.
    void setWidth(qreal width);
    qreal width() const { return width_; }

    // As wide as the widest line laid out since the width was last set. It does not narrow when
    // that line does: finding the next widest would mean laying out the whole page.
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    QRectF blockBoundingRect(const QTextBlock& block) const override;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    void layOut(const QTextBlock& block);
    void keepShapes(const QTextBlock& block);
    void tellSize();

    qreal width_ = 0;
    qreal widest_ = 0;
    int blockCount_ = 1;
    bool telling_ = false;
    QTextCursor typing_; ///< in the block last typed in, which keeps its shaped text
};
