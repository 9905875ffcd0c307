#pragma once

#include "markup/PreviewDocument.h"

#include <QDockWidget>
#include <QPoint>
#include <QPointer>

#include <functional>

class QAction;
class QFont;
class QTextEdit;
class TColorMemo;

// The "Preview" panel: a dock at the right of the editor that shows the page as readers see it
// (TPreviewDocument), read-only. Hidden at first; its toggle action ("Page &Preview", F6) shows and
// hides it, and it reads the page only while it shows. It follows the editor's caret, keeping the
// caret's paragraph in view; a click in it puts the editor's caret on the source of the character
// clicked. A target link (":Name") leads both views to its target mark; any other link shows its
// action text and selects its source in the editor. It never takes the keyboard focus.
class TPreviewPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit TPreviewPanel(TColorMemo* memo, QWidget* parent = nullptr);
    ~TPreviewPanel() override;

    QAction* toggleAction() const { return toggle_; }
    TPreviewDocument& preview() const { return *preview_; }
    QTextEdit* view() const { return view_; }
    void setBaseFont(const QFont& font);

    // A short note for the status bar (a target link whose target is not in the page).
    std::function<void(const QString&)> showNote;

    // What a click at a position of the preview's document does (pointAt: where a tooltip goes).
    void clickAt(int position, int exactPosition, QPoint globalAt = {});
    // Keeps the paragraph of the editor's caret in view, and marks it.
    void followCaret();
    // The page line whose paragraph is marked as the caret's, or -1.
    int markedLine() const;
    // The page line at the top of the preview's view.
    int topLine() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void shownOrHidden(bool shown);
    // The position of the character under a point of the viewport, or -1.
    int characterAt(QPoint viewportPoint) const;
    void showInView(int position, bool centre);
    // The preview's window holds a line, moved there by the panel itself when it must.
    TPreviewDocument::THold holdLine(int line);
    // Scrolled near the top or the bottom of the lines the preview holds: more lines that way.
    void extendNearEnds();
    void moveCaret(int pageOffset, int selectTo = -1);
    // What the editor did since the last turn of the event loop, done once in the next: its view
    // scrolled (the preview shows the same top line) and its caret moved (its paragraph in view).
    void queueFollow(bool scrolled, bool caretMoved);
    void follow();
    void markCaretParagraph(int position);
    // The preview's view scrolled by the author: the editor shows the same top line.
    void queueLead();
    void leadEditor();
    // The page line at the top of the editor's view.
    int editorTopLine() const;
    // Shows a page line at the top of the view; false when it is not held yet.
    bool showLineAtTop(int line);

    QPointer<TColorMemo> memo_; ///< the window may let go of it first
    TPreviewDocument* preview_;
    QTextEdit* view_;
    QAction* toggle_;
    QPoint pressedAt_;
    bool pressed_ = false;
    bool followQueued_ = false;
    bool scrolled_ = false;   ///< the editor's view scrolled since the last follow
    bool caretMoved_ = false; ///< and its caret moved
    bool leading_ = false;    ///< the editor scrolls because the preview's view did
    bool leadQueued_ = false;
    bool extendQueued_ = false;
    bool centreQueued_ = false;
    bool following_ = false; ///< the window moves because the panel asked
};
