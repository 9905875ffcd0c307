#pragma once

#include "document/PageText.h"
#include "document/PageWatcher.h"
#include "editor/EditAdapter.h"
#include "editor/FindingMarks.h"
#include "editor/MatchMarks.h"
#include "editor/OverlayPainter.h"
#include "editor/PageStep.h"
#include "editor/SpellMarks.h"
#include "editor/TextPaint.h"
#include "editor/core/ColorRules.h"
#include "editor/core/DrawPass.h"
#include "editor/core/HotSpot.h"
#include "platform/FontAttributes.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QPainter;
class TPageDocument;
class TPageLayout;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// The highlighting editor: a QPlainTextEdit with the edit-control operations the program uses.
// Offsets are 0-based and a line break counts as the two characters CR LF. Every character in it
// is one of the page code page's; others become "?" as they enter.
class TColorMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    // An editor of the page the window made; without one, of a page of its own.
    explicit TColorMemo(TPageDocument* page, QWidget* owner = nullptr);
    explicit TColorMemo(QWidget* owner = nullptr);
    ~TColorMemo() override;

    // The page this editor shows and edits.
    TPageDocument& Page() const { return *page_; }

    // Selection, in CR LF offsets.
    int SelStart() const;
    void SetSelStart(int offset); ///< moves the caret there, nothing selected
    int SelLength() const;
    void SetSelLength(int length); ///< selects from the selection start
    QString SelText() const;       ///< line breaks as CR LF
    // Writes text (line breaks as CR LF) in place of the selection, leaving the caret right after
    // it with nothing selected. Recorded as one undo step that restores the selection.
    void ReplaceSel(const QString& text);
    // Takes back the last undo step. A step of ReplaceSel selects the replaced text again (the
    // text document alone would only put the caret after it). Ctrl+Z and the context menu's Undo
    // come here.
    void Undo();
    // Does again the last step taken back. Ctrl+Y, Ctrl+Shift+Z and the context menu's Redo come
    // here.
    void Redo();

    // The whole text with CR LF line breaks; SetText replaces it, clears the modified flag and
    // the undo history.
    QString Text() const;
    void SetText(const QString& text);
    // Replaces the whole text with page text (lines separated by "\n", every character a page
    // character), dropping the undo history; the modified flag is left to the caller.
    void SetPageText(const QString& page);
    void Clear();
    // Lines: the text's lines, or with word wrap on the lines as displayed. On a long page this
    // takes a while: progress, when given, hears (blocks done, blocks in all) now and then, and
    // may throw to stop.
    int LineCount() const;
    // The caret's line and column, from 1, counted in the text's own lines.
    QPoint CaretLineColumn() const;
    // Lines of the text (not of the display), and a cursor at the start of one (from 0).
    int TextLineCount() const;
    QTextCursor LineStart(int line) const;
    QStringList Lines(const std::function<void(int done, int total)>& progress = {}) const;

    bool Modified() const;
    void SetModified(bool modified);

    TFontAttributes EditorFont() const { return font_; }
    void SetEditorFont(const TFontAttributes& font);

    bool WordWrap() const;
    // Keys typed while the page loads, waiting to go in at the caret once it is in.
    bool holdingKeys() const { return !heldKeys_.empty(); }
    void SetWordWrap(bool on);
    void SetScrollBars(TScrollStyle style);

    const TEditAdapter& adapter() const { return adapter_; }
    // Wavy underlines painted over the text, after the colour overlay.
    TFindingMarks& FindingMarks() { return findingMarks_; }
    // The misspelt words' underlines, painted before the findings' (which stay on top).
    TSpellMarks& SpellMarks() { return spellMarks_; }

    // Colour rules; the setter copies the given rules.
    TDrawRules& ColorRules() { return rules_; }
    void SetColorRules(const TDrawRules& rules);
    // Capacity of the OnDraw array: the most keys one OnDraw call reports (0: none).
    int ColorLimMax() const { return colorLimMax_; }
    void SetColorLimMax(int value);
    // True: every text change repaints all visible keys, and the caret line is drawn in the plain
    // font colour up to the caret.
    bool RedrawAlways() const { return redrawAlways_; }
    void SetRedrawAlways(bool on);
    const THotSpot& HotSpot() const { return hotSpot_; }
    void SetHotSpot(const THotSpot& hotSpot);

    // Events. OnDrawKey draws keyword runs instead of the editor: the painter is clipped to the
    // run, its pen has the run's colour; Rect is the run's rectangle, KColor the font's colour.
    std::function<void(TColorMemo* sender)> OnVScroll;
    std::function<void(TColorMemo* sender)> OnHScroll;
    std::function<void(TColorMemo* sender, const QString& SRC)> OnHotSpotClick;
    TDrawEvent OnDraw;
    TDrawKeyEvent OnDrawKey;
    // The context menu is about to show: items may go in before the edit items. Position is the
    // document position under the pointer (the caret's when the keyboard asked for the menu).
    std::function<void(QMenu* menu, int position)> OnContextMenu;

    // Repaints the keys of the visible lines, or of the caret line only. The pass itself runs in
    // the paint event that follows: Qt paints nowhere else.
    virtual void DrawKeys(bool LineOnly);

    // The find bar's search: its matches on the visible lines get a tint under the text (an
    // empty search: none).
    void SetMatchMarks(const TTextSearch& search);
    const TMatchMarks& MatchMarks() const { return matchMarks_; }

    // The runs of the last pass, in text order (tests and tools look at them).
    std::vector<TKeyDescr> lastRuns() const;
    // Sets the caret and selection and brings them into view: a line already in view whole stays
    // where it is, any other goes to the middle of the view (as far as the page's ends allow),
    // never to an edge. Find reaches its matches through this (Go To Line always centres).
    void SetTextCursorInView(const QTextCursor& c);
    // The viewport rectangle that the caret line covers (empty when it is out of view).
    QRect caretLineRect() const;

signals:
    // A paste or drop put count characters that the page cannot hold in as "?" (count > 0).
    void charactersLost(int count);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    TPageLayout* pageLayout() const;
    void textChangedHandler();
    bool holdsKey(const QKeyEvent* e);
    void typeHeldKeys();
    // Moves the caret over the cut between two display blocks of a long line that the key would
    // otherwise stop at (see TPageDocument).
    void stepOverCut(const QKeyEvent* e);
    // The word keys (Ctrl+Left, Ctrl+Right, with Shift, Ctrl+Backspace, Ctrl+Delete) where a caret
    // code cuts the toolkit's word: true when done here.
    bool wordKey(const QKeyEvent* e);
    void caretMovedWithCuts(bool hadCuts);
    // Page Up and Page Down, and the keys that move the caret along or across lines, which keep or
    // take its x (ColMemoPage.cpp): true when done.
    bool pageKey(QKeyEvent* e);
    bool lineKey(QKeyEvent* e);
    void pageUpDown(bool down, QTextCursor::MoveMode mode);
    void watchCaretForPages();
    void caretMovedForPages();
    void caretTookX(const QTextCursor& at);
    qreal pageX(const QTextCursor& c);
    // The pass over the visible lines and its overlay; with ownText the text is drawn here too,
    // in place of the control's paint (see ColMemoPaint.cpp).
    void runPass(QPainter& painter, const QRegion& area, bool ownText,
                 const std::vector<TDisplayLine>& lines);
    // Lines above the view that a key may start on, as the pass reads them.
    int linesAbove() const;
    // A faint mark under each no-break space in view, so that the author sees where the words
    // are held together: the editor's alone, never printed nor previewed.
    void paintNoBreakSpaces(QPainter& painter, const QRegion& area,
                            const std::vector<TDisplayLine>& lines) const;
    // Turns on the keeping of shaped text for the blocks in the box not laid out yet, listing
    // them in kept to be released after the paint.
    void keepShapedText(const QRect& box, std::vector<QTextLayout*>& kept);
    void drawRuns(QPainter& painter, const std::vector<TDisplayLine>& lines, const QRegion& area,
                  bool ownText);
    // Draws the text within er as the control's paint does, except the glyphs the plan's
    // overlay paints over entirely.
    void paintText(QPainter& painter, QRect er,
                   const QAbstractTextDocumentLayout::PaintContext& context,
                   const std::vector<TDisplayLine>& lines, const TRunPlan& plan);
    // The hot-spot text around a viewport point: nothing when the point is not in a hot spot.
    std::optional<QString> hotSpotAt(QPoint point) const;
    bool hitsHotSpot(QPoint point) const;
    void setHandCursor(bool hand);

    // First: the members after it read the editor's document.
    TPageDocument* page_;
    std::unique_ptr<TPageWatch> pageWatch_;
    TEditAdapter adapter_;
    TFontAttributes font_;

    TDrawRules rules_;
    THotSpot hotSpot_;
    bool redrawAlways_ = false;
    int colorLimMax_ = 0;
    std::vector<TKeyDescr> drawArray_; ///< the OnDraw array, ColorLimMax records
    TPassBuffers pass_;
    std::vector<TKeyDescr> runs_; ///< runs of the last pass, all regions
    std::vector<char> text_;      ///< page bytes of the scanned region, NUL-terminated
    int lastLineCount_ = 0;
    int lastTextEnd_ = 0;
    bool loading_ = false;
    bool handShown_ = false;
    // Keys that type text, typed while the page was still loading: they go in, in order, at the
    // caret once the page is in.
    std::vector<std::unique_ptr<QKeyEvent>> heldKeys_;
    TFindingMarks findingMarks_{this};
    TSpellMarks spellMarks_{this};
    TMatchMarks matchMarks_;
    TGlyphInk ink_;
    pagestep::TPageState pages_;
};
