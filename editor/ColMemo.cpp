#include "editor/ColMemo.h"

#include "platform/HandCursor.h"
#include "platform/QtColors.h"
#include "platform/QtFonts.h"
#include "platform/core/Cp1252.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace {

// The pointer over a hot spot: the program's pointing hand.
QCursor hotSpotCursor() {
    return handCursor();
}

// A long line with word wrap off is scanned only around its visible part; keys are far shorter
// than the margin.
constexpr int kLongLine = 2048;
constexpr int kLongLineMargin = 64;

// The x of the left edge of the character at a position in the block, relative to the layout.
// On a long block it is read from the glyphs: QTextLine::cursorToX and xToCursor work out the
// character attributes of the whole block first, which costs more than shaping it.
qreal edgeX(const QTextLine& line, int pos, bool longBlock) {
    if (!longBlock)
        return line.cursorToX(pos);
    if (pos >= line.textStart() + line.textLength())
        return line.x() + line.naturalTextWidth();
    for (const QGlyphRun& g : line.glyphRuns(pos, 1))
        if (!g.positions().isEmpty())
            return g.positions().front().x();
    return line.x() + line.naturalTextWidth();
}

// The character under x (relative to the layout), near enough for a scan window: on a long line
// by a few steps from an estimate, each measured on the line's glyphs.
int charAtX(const QTextLine& line, qreal x, bool longBlock) {
    if (!longBlock)
        return line.xToCursor(x);
    const int first = line.textStart(), last = line.textStart() + line.textLength();
    const qreal x0 = line.x(), width = std::max<qreal>(1, line.naturalTextWidth());
    const qreal perChar = width / std::max(1, last - first);
    int c = first + static_cast<int>((x - x0) / perChar);
    for (int step = 0; step < 6; ++step) {
        c = std::clamp(c, first, last);
        const qreal e = edgeX(line, c, true);
        const int move = static_cast<int>((x - e) / perChar);
        if (move == 0)
            break;
        c += move;
    }
    return std::clamp(c, first, last);
}

// Character edges of a long line around its visible part, measured on a small layout of that
// part and placed where the line's own glyph at the window start lies.
class TLongLineEdges {
public:
    TLongLineEdges(const QTextDocument* doc, const QTextBlock& block, const QTextLine& line,
                   int from, int to)
        : line_(line), from_(from), to_(to) {
        QString text;
        text.reserve(to - from);
        for (int i = from; i < to; ++i)
            text += doc->characterAt(block.position() + i);
        layout_.setText(text);
        layout_.setFont(doc->defaultFont());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout_.setTextOption(option);
        layout_.setCacheEnabled(true);
        layout_.beginLayout();
        QTextLine l = layout_.createLine();
        if (l.isValid())
            l.setLineWidth(1e9);
        layout_.endLayout();
        offset_ = edgeX(line, from, true) - (l.isValid() ? l.cursorToX(0) : 0);
    }
    qreal x(int pos) const {
        if (pos < from_ || pos > to_ || layout_.lineCount() == 0)
            return edgeX(line_, pos, true);
        return offset_ + layout_.lineAt(0).cursorToX(pos - from_);
    }

private:
    QTextLine line_;
    int from_, to_;
    QTextLayout layout_;
    qreal offset_ = 0;
};

// Glyphs of one colour for the whole view, one list per font, positioned in viewport coordinates
// exactly as the control positioned them.
struct TGlyphBatch {
    QGlyphRun Run; ///< font and flags
    QList<quint32> Indexes;
    QList<QPointF> Positions;
};

struct TColourBatch {
    QColor Color;
    std::vector<QRect> Rects;
    std::vector<TGlyphBatch> Glyphs;
    /// Whole lines drawn as the control draws them, with the origin of the draw.
    std::vector<std::pair<QTextLine, QPointF>> Lines;
};

// A glyph run with an underline, overline or strike-out. A drawn glyph run gets that line only
// where the glyphs stand side by side, and on the screen (where the painter is translated to the
// viewport) the toolkit puts it in the wrong place: such lines are drawn whole instead.
bool isDecorated(const QGlyphRun& run) {
    return run.flags() & (QGlyphRun::Underline | QGlyphRun::Overline | QGlyphRun::StrikeOut);
}

// Adds the glyphs of a line whose origin lies close enough to one of the x ranges to reach into
// it.
void addGlyphs(TColourBatch& batch, const QList<QGlyphRun>& line, QPointF origin,
               const std::vector<std::pair<qreal, qreal>>& ranges) {
    for (const QGlyphRun& g : line) {
        const QList<QPointF> positions = g.positions();
        const QList<quint32> indexes = g.glyphIndexes();
        TGlyphBatch* target = nullptr;
        for (qsizetype i = 0; i < positions.size(); ++i) {
            const qreal x = positions[i].x() + origin.x();
            const bool reaches = std::any_of(ranges.begin(), ranges.end(), [x](const auto& r) {
                return x >= r.first && x <= r.second;
            });
            if (!reaches)
                continue;
            if (!target) {
                for (TGlyphBatch& b : batch.Glyphs)
                    if (b.Run.rawFont() == g.rawFont() && b.Run.flags() == g.flags())
                        target = &b;
                if (!target) {
                    batch.Glyphs.push_back({g, {}, {}});
                    target = &batch.Glyphs.back();
                }
            }
            target->Indexes.push_back(indexes[i]);
            target->Positions.push_back(positions[i] + origin);
        }
    }
}

} // namespace

QString toPageText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (ch == 0x2028 || ch == 0x2029) {
            out += u'\n';
        } else if (ch == u'\n' || cp1252::isEncodable(ch)) {
            out += QChar(ch);
        } else {
            if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i; // one character, one "?"
            out += u'?';
        }
    }
    return out;
}

TColorMemo::TColorMemo(QWidget* owner) : QPlainTextEdit(owner), adapter_(this) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    SetEditorFont(font_);
    // The hand cursor follows the mouse without a button held.
    viewport()->setMouseTracking(true);
    connect(this, &QPlainTextEdit::textChanged, this, &TColorMemo::textChangedHandler);
    // Page Up, Page Down and the caret keeping itself in view move the view without passing
    // through scrollContentsBy: the control then shifts its image, whose line that was partly
    // visible at the bottom carries no keys. Every vertical move repaints the whole view.
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
        if (dy != 0)
            DrawKeys(false);
    });
}

TColorMemo::~TColorMemo() = default;

int TColorMemo::SelStart() const {
    return adapter_.offsetFromPosition(textCursor().selectionStart());
}

void TColorMemo::SetSelStart(int offset) {
    QTextCursor c = textCursor();
    c.setPosition(adapter_.positionFromOffset(std::max(0, offset)));
    setTextCursor(c);
}

int TColorMemo::SelLength() const {
    const QTextCursor c = textCursor();
    return adapter_.offsetFromPosition(c.selectionEnd()) -
           adapter_.offsetFromPosition(c.selectionStart());
}

void TColorMemo::SetSelLength(int length) {
    QTextCursor c = textCursor();
    const int startOffset = adapter_.offsetFromPosition(c.selectionStart());
    c.setPosition(c.selectionStart());
    c.setPosition(adapter_.positionFromOffset(startOffset + std::max(0, length)),
                  QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString TColorMemo::SelText() const {
    QString t = textCursor().selectedText();
    t.replace(QChar(0x2029), QStringLiteral("\r\n"));
    return t;
}

QString TColorMemo::Text() const {
    QString t = document()->toRawText();
    t.replace(QChar(0x2029), QStringLiteral("\r\n"));
    return t;
}

void TColorMemo::SetText(const QString& text) {
    loading_ = true;
    setPlainText(toPageText(text));
    loading_ = false;
    document()->setModified(false);
}

void TColorMemo::Clear() {
    clear();
    document()->setModified(false);
}

int TColorMemo::LineCount() const {
    return Lines().size();
}

namespace {

// The display lines of a block that the editor has not laid out yet (blocks far from the view),
// laid out here as the editor's document layout lays them out at the given width, without keeping
// the layout.
void appendUnlaidLines(QStringList& lines, const QTextBlock& block, const QTextDocument* doc,
                       int width) {
    const QString text = block.text();
    const QTextOption option = doc->defaultTextOption();
    qreal available = width > 0 ? qreal(width) : qreal(INT_MAX);
    available -= 2 * doc->documentMargin();
    if (option.flags() & QTextOption::AddSpaceForLineAndParagraphSeparators)
        available -= QFontMetrics(block.charFormat().font()).horizontalAdvance(QChar(0x21B5));

    QTextLayout layout(text, block.charFormat().font());
    layout.setTextOption(option);
    layout.beginLayout();
    int count = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(available);
        lines << text.mid(line.textStart(), line.textLength());
        ++count;
    }
    layout.endLayout();
    if (count == 0)
        lines << text;
}

} // namespace

QStringList TColorMemo::Lines(const std::function<void(int done, int total)>& progress) const {
    QStringList lines;
    const bool wrap = WordWrap();
    const int blocks = document()->blockCount();
    int done = 0;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next(), ++done) {
        if (progress && done % 1024 == 0)
            progress(done, blocks);
        const QString text = b.text();
        const QTextLayout* layout = b.layout();
        if (!wrap || text.isEmpty()) {
            lines << text;
            continue;
        }
        // The document layout wraps at the viewport's width.
        if (!layout || layout->lineCount() == 0) {
            appendUnlaidLines(lines, b, document(), viewport()->width());
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines << text.mid(line.textStart(), line.textLength());
        }
    }
    // An editor without text has no line.
    if (lines.size() == 1 && lines.first().isEmpty())
        lines.clear();
    return lines;
}

bool TColorMemo::Modified() const {
    return document()->isModified();
}
void TColorMemo::SetModified(bool modified) {
    document()->setModified(modified);
}

void TColorMemo::SetEditorFont(const TFontAttributes& font) {
    font_ = font;
    setFont(toQFont(font));
    QPalette p = palette();
    p.setColor(QPalette::Text, toQColor(font.color, QPalette()));
    setPalette(p);
}

bool TColorMemo::WordWrap() const {
    return lineWrapMode() != QPlainTextEdit::NoWrap;
}

void TColorMemo::SetWordWrap(bool on) {
    setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TColorMemo::SetScrollBars(TScrollStyle style) {
    const bool v = style == ssVertical || style == ssBoth;
    const bool h = style == ssHorizontal || style == ssBoth;
    setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TColorMemo::keyPressEvent(QKeyEvent* e) {
    // A navigation key without modifiers acts from the selection's end: the selection collapses
    // there first.
    const bool navigation = e->key() >= Qt::Key_Home && e->key() <= Qt::Key_PageDown;
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (navigation && mods == Qt::NoModifier && textCursor().hasSelection()) {
        QTextCursor c = textCursor();
        c.setPosition(c.selectionEnd());
        setTextCursor(c);
        DrawKeys(false);
    }
    const QString text = e->text();
    if (!text.isEmpty() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QString page = toPageText(text);
        if (page != text && text != "\r") {
            QKeyEvent replaced(e->type(), e->key(), e->modifiers(), page, e->isAutoRepeat(),
                               e->count());
            QPlainTextEdit::keyPressEvent(&replaced);
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TColorMemo::inputMethodEvent(QInputMethodEvent* e) {
    if (!e->commitString().isEmpty()) {
        const QString page = toPageText(e->commitString());
        if (page != e->commitString()) {
            QInputMethodEvent replaced(e->preeditString(), e->attributes());
            replaced.setCommitString(page, e->replacementStart(), e->replacementLength());
            QPlainTextEdit::inputMethodEvent(&replaced);
            return;
        }
    }
    QPlainTextEdit::inputMethodEvent(e);
}

void TColorMemo::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText())
        return;
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.insertText(toPageText(source->text()));
    c.endEditBlock();
    setTextCursor(c);
    ensureCursorVisible();
}

bool TColorMemo::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->matches(QKeySequence::Undo)) {
        if (!isReadOnly())
            Undo();
        return true;
    }
    // Ctrl+A belongs to the main window's Assistants switch, not to select-all.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->matches(QKeySequence::SelectAll)) {
            e->ignore();
            return true;
        }
    }
    return QPlainTextEdit::event(e);
}

// ---- Properties ---------------------------------------------------------------------------------

void TColorMemo::SetColorRules(const TDrawRules& rules) {
    if (&rules != &rules_)
        rules_.Assign(rules);
    viewport()->update();
}

void TColorMemo::SetColorLimMax(int value) {
    value = std::max(0, value);
    if (value == colorLimMax_)
        return;
    colorLimMax_ = value;
    drawArray_.assign(static_cast<size_t>(value), TKeyDescr{});
    if (value == 0)
        drawArray_.shrink_to_fit();
}

void TColorMemo::SetRedrawAlways(bool on) {
    redrawAlways_ = on;
    viewport()->update();
}

void TColorMemo::SetHotSpot(const THotSpot& hotSpot) {
    hotSpot_.BeginChar = hotSpot.BeginChar;
    hotSpot_.EndChar = hotSpot.EndChar;
    hotSpot_.Color = hotSpot.Color;
    hotSpot_.MarkerColor = hotSpot.MarkerColor;
    hotSpot_.Active = hotSpot.Active;
    hotSpot_.Underlined = hotSpot.Underlined;
    if (!hotSpot_.Active)
        setHandCursor(false);
    viewport()->update();
}

void TColorMemo::SetMatchMarks(const TTextSearch& search) {
    matchMarks_.setSearch(search);
    viewport()->update();
}

std::vector<TKeyDescr> TColorMemo::lastRuns() const {
    return runs_;
}

QRect TColorMemo::caretLineRect() const {
    const QTextCursor c = textCursor();
    const QTextBlock block = c.block();
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return {};
    const int lineInBlock = layout->lineForTextPosition(c.positionInBlock()).lineNumber();
    for (const TDisplayLine& l : adapter_.visibleLines()) {
        if (l.Block == block && l.LineInBlock == lineInBlock) {
            const int top = static_cast<int>(std::floor(l.Top));
            return QRect(0, top, viewport()->width(),
                         static_cast<int>(std::ceil(l.Top + l.Height)) - top);
        }
    }
    return {};
}

// ---- Scheduling the pass ------------------------------------------------------------------------

void TColorMemo::DrawKeys(bool LineOnly) {
    if (!highlightSupported_)
        return;
    if (!LineOnly) {
        viewport()->update();
        return;
    }
    QRect r = caretLineRect();
    // Lines above the caret line take part when keys may span several lines.
    const int above = rules_.Count() > 0 ? std::max(0, rules_[0].KeyMaxHeight - 1) : 0;
    if (!r.isEmpty() && above > 0)
        r.setTop(0);
    if (!r.isEmpty())
        viewport()->update(r);
}

void TColorMemo::textChangedHandler() {
    // Other receivers of textChanged (the program's OnChange) run before the repaint below
    // reaches the screen: the pass runs in the next paint event.
    if (loading_)
        return;
    if (redrawAlways_) {
        DrawKeys(false);
        return;
    }
    const int lines = document()->lineCount();
    const int end = adapter_.textLength();
    const bool lineOnly = lines == lastLineCount_ && end == lastTextEnd_ + 1;
    DrawKeys(lineOnly);
    lastLineCount_ = lines;
    lastTextEnd_ = end;
}

// ---- The pass -----------------------------------------------------------------------------------

void TColorMemo::paintEvent(QPaintEvent* e) {
    // The find bar's tint goes on the background, under the text the control draws next.
    if (matchMarks_.isActive()) {
        matchMarks_.prepare(*document(), adapter_.visibleLines(), viewport()->width());
        QPainter under(viewport());
        matchMarks_.paint(under, e->rect());
    }
    if (!highlightSupported_ || !isEnabled() || (rules_.Count() == 0 && !hotSpot_.Active)) {
        QPlainTextEdit::paintEvent(e);
        QPainter marks(viewport());
        findingMarks_.paint(marks, e->region(), adapter_);
        return;
    }
    // The control's paint shapes the text of each visible block and throws it away at once; kept
    // until the overlay is drawn, it serves the overlay's measuring and drawing too, instead of
    // being shaped a second time (which costs what the base paint costs on a long line).
    std::vector<QTextLayout*> kept;
    const qreal height = viewport()->height();
    QPointF offset = contentOffset();
    const QRect box = e->rect();
    for (QTextBlock b = firstVisibleBlock(); b.isValid() && offset.y() < height; b = b.next()) {
        const QRectF r = blockBoundingRect(b).translated(offset);
        offset.ry() += r.height();
        if (r.bottom() >= box.top() && r.top() <= box.bottom() && !b.layout()->cacheEnabled()) {
            b.layout()->setCacheEnabled(true);
            kept.push_back(b.layout());
        }
    }
    QPlainTextEdit::paintEvent(e);
    QPainter painter(viewport());
    // Release the shaped text as the control would have, whatever happens in the pass: a draw
    // that reaches no line only frees it.
    struct TRelease {
        std::vector<QTextLayout*>& layouts;
        QPainter& painter;
        ~TRelease() {
            painter.setClipping(false);
            for (QTextLayout* l : layouts) {
                l->setCacheEnabled(false);
                l->draw(&painter, QPointF(), {}, QRectF(0, -1e9, 1, 1));
            }
        }
    } release{kept, painter};
    runPass(painter, e->region());
    findingMarks_.paint(painter, e->region(), adapter_);
}

int TColorMemo::copyRegion(const TRegion& r, QTextBlock b) {
    const int n = r.End - r.Start;
    text_.resize(static_cast<size_t>(n) + 1);
    char* out = text_.data();
    while (b.isValid() && b.position() + b.blockNumber() + b.length() + 1 <= r.Start)
        b = b.next();
    std::vector<char16_t> chars;
    while (b.isValid()) {
        const int bs = b.position() + b.blockNumber();
        if (bs >= r.End)
            break;
        const int len = b.length() - 1;
        const int from = std::max(r.Start, bs);
        const int to = std::min(r.End, bs + len);
        if (to > from) {
            const int count = to - from;
            if (len <= kLongLine) {
                const QString t = b.text();
                cp1252::encode(reinterpret_cast<const char16_t*>(t.utf16()) + (from - bs),
                               static_cast<size_t>(count), out + (from - r.Start));
            } else {
                // A long block is read character by character: copying it whole would cost
                // what the whole line costs.
                chars.resize(static_cast<size_t>(count));
                for (int i = 0; i < count; ++i)
                    chars[static_cast<size_t>(i)] =
                        document()->characterAt(b.position() + (from - bs) + i).unicode();
                cp1252::encode(chars.data(), chars.size(), out + (from - r.Start));
            }
        }
        // The line break, as CR LF.
        for (int k = 0; k < 2; ++k) {
            const int at = bs + len + k;
            if (b.next().isValid() && at >= r.Start && at < r.End)
                out[at - r.Start] = k == 0 ? '\r' : '\n';
        }
        b = b.next();
    }
    out[n] = '\0';
    return n;
}

void TColorMemo::runPass(QPainter& painter, const QRegion& area) {
    PrepareRules(rules_);
    rules_.EventSource = {colorLimMax_, &drawArray_, OnDraw ? &OnDraw : nullptr};

    const int above = rules_.Count() > 0 ? std::max(0, rules_[0].KeyMaxHeight - 1) : 0;
    const std::vector<TDisplayLine> lines = adapter_.visibleLines(above);
    const qreal bottom = viewport()->height();
    const qreal width = viewport()->width();
    const bool wrap = WordWrap();

    // The scan regions: the lines from the scan start line down to the last wholly visible one,
    // in one region; a long unwrapped line only around its visible part, in a region of its own.
    std::vector<TRegion> regions;
    bool open = false;
    for (const TDisplayLine& l : lines) {
        if (l.Top >= 0 && l.Top + l.Height > bottom) {
            if (open)
                regions.back().End = l.Start;
            open = false;
            break;
        }
        const QTextLayout* layout = l.Block.layout();
        if (!wrap && l.Length > kLongLine && layout && layout->lineCount() > 0) {
            if (open)
                regions.back().End = l.Start;
            open = false;
            // Measuring a long line shapes it: only the ones being painted.
            if (!area.intersects(QRect(0, static_cast<int>(l.Top), static_cast<int>(width),
                                       static_cast<int>(std::ceil(l.Height)))))
                continue;
            const QTextLine tl = layout->lineAt(0);
            const int c0 = charAtX(tl, -l.Origin.x(), true);
            const int c1 = charAtX(tl, width - l.Origin.x(), true);
            const int s = l.BlockStart + std::max(0, c0 - kLongLineMargin);
            const int e = l.BlockStart + std::min(l.Length, c1 + kLongLineMargin);
            regions.push_back({s, e});
            continue;
        }
        if (!open) {
            regions.push_back({l.Start, l.Start + l.Length});
            open = true;
        } else {
            regions.back().End = l.Start + l.Length;
        }
    }

    // A partial repaint scans only the blocks it touches when no key can cross a line break:
    // the keys found there are the ones a full pass finds.
    const QRect areaBox = area.boundingRect();
    bool confined = !hotSpot_.Active && (areaBox.top() > 0 || areaBox.bottom() < bottom - 1);
    for (int i = 0; confined && i < rules_.Count(); ++i)
        if (rules_[i].Enabled && rules_[i].KeyDrawingType != dtKeyShow &&
            rules_[i].KeyDrawingType != dtBeginLineEnd)
            confined = false;
    if (confined) {
        int from = INT_MAX, to = INT_MIN;
        for (const TDisplayLine& l : lines) {
            if (l.Top + l.Height <= areaBox.top() || l.Top > areaBox.bottom())
                continue;
            from = std::min(from, l.BlockStart);
            to = std::max(to, l.BlockStart + l.Block.length() - 1 + 2);
        }
        std::vector<TRegion> kept;
        for (const TRegion& r : regions)
            if (std::max(r.Start, from) < std::min(r.End, to))
                kept.push_back({std::max(r.Start, from), std::min(r.End, to)});
        regions.swap(kept);
    }

    const int selStart = SelStart();
    const int selLength = SelLength();
    TPassInput in;
    in.SelStart = selStart;
    in.SelLength = selLength;
    in.HotSpot.BeginChar = hotSpot_.BeginChar;
    in.HotSpot.EndChar = hotSpot_.EndChar;
    in.HotSpot.Color = hotSpot_.Color;
    in.HotSpot.MarkerColor = hotSpot_.MarkerColor;
    in.HotSpot.Active = hotSpot_.Active;
    in.HotSpot.Underlined = hotSpot_.Underlined;
    in.WantTabs = !tabChangesFocus();
    in.Background = fromQColor(palette().color(QPalette::Base));
    in.RedrawAlways = redrawAlways_;
    in.CaretLineStart = redrawAlways_ ? adapter_.lineAt(selStart).Start : 0;
    in.FontColor = font_.color;

    runs_.clear();
    for (const TRegion& r : regions) {
        if (r.End <= r.Start)
            continue;
        copyRegion(r, lines.front().Block);
        in.Text = text_.data() - r.Start;
        in.ScanStart = r.Start;
        in.ScanEnd = r.End;
        RunPass(rules_, in, pass_);
        for (int i = 0; i < pass_.Keys.Count() && pass_.Keys[i].StartPos != kFreeRecord; ++i)
            runs_.push_back(pass_.Keys[i]);
    }
    drawRuns(painter, lines, area);
}

void TColorMemo::drawRuns(QPainter& painter, const std::vector<TDisplayLine>& lines,
                          const QRegion& area) {
    if (runs_.empty())
        return;
    const QPalette pal = palette();
    const QColor background = pal.color(QPalette::Base);
    const QFontMetricsF fm(font());
    // How far a glyph may reach from its origin: its advance to the right, overhangs to the left.
    const qreal reachLeft = fm.maxWidth() + 2;
    const qreal reachRight = fm.height() / 2 + 2;
    const bool areaIsRect = area.rectCount() == 1;
    const QRect areaRect = area.boundingRect();
    const QTextBlock caretBlock = textCursor().block();
    bool drewOverCaret = false;

    std::vector<TColourBatch> batches;
    std::vector<std::pair<QRect, QColor>> solid, underline;
    std::vector<std::tuple<QRect, QColor, QString>> keys;
    std::vector<std::pair<QRect, QColor>> plain;
    std::vector<QRect> clipped;
    std::vector<std::pair<qreal, qreal>> ranges;
    size_t first = 0;

    for (const TDisplayLine& l : lines) {
        const QTextLayout* layout = l.Block.layout();
        if (!layout || layout->lineCount() <= l.LineInBlock)
            continue;
        const int top = static_cast<int>(std::floor(l.Top));
        const int lineBottom = static_cast<int>(std::ceil(l.Top + l.Height));
        const int lineStart = l.Start;
        const int lineEnd = l.Start + l.Length;
        const bool lastOfBlock = l.LineInBlock == layout->lineCount() - 1;
        while (first < runs_.size() && runs_[first].EndPos < lineStart)
            ++first;
        if (!area.intersects(QRect(0, top, viewport()->width(), lineBottom - top)))
            continue;
        const QTextLine tl = layout->lineAt(l.LineInBlock);
        const bool longBlock = l.Block.length() - 1 > kLongLine;
        std::optional<TLongLineEdges> longEdges;
        if (tl.textLength() > kLongLine) {
            const int c0 = charAtX(tl, -l.Origin.x(), true);
            const int c1 = charAtX(tl, viewport()->width() - l.Origin.x(), true);
            longEdges.emplace(document(), l.Block, tl,
                              std::max(tl.textStart(), c0 - kLongLineMargin),
                              std::min(tl.textStart() + tl.textLength(), c1 + kLongLineMargin));
        }
        // The glyphs of a short line, fetched once. With one glyph per character, left to right,
        // the edges of the characters are the glyphs' pen positions, as cursorToX would say.
        QList<QGlyphRun> lineGlyphs;
        QList<QPointF> pens;
        bool fetched = false;
        const auto fetch = [&] {
            if (fetched || tl.textLength() > kLongLine)
                return;
            fetched = true;
            lineGlyphs = tl.glyphRuns();
            // The spaces that end a wrapped line may have no glyphs.
            int spaces = 0;
            const int lineEndPos = l.Block.position() + tl.textStart() + tl.textLength();
            while (spaces < tl.textLength() &&
                   document()->characterAt(lineEndPos - 1 - spaces) == u' ')
                ++spaces;
            if (lineGlyphs.size() == 1 && !(lineGlyphs[0].flags() & QGlyphRun::RightToLeft)) {
                const qsizetype n = lineGlyphs[0].positions().size();
                if (n == tl.textLength() || (spaces > 0 && n == tl.textLength() - spaces))
                    pens = lineGlyphs[0].positions();
            }
            for (qsizetype k = 1; k < pens.size(); ++k)
                if (pens[k].x() < pens[k - 1].x())
                    pens.clear();
        };
        const auto edge = [&](int pos) -> qreal {
            if (longEdges)
                return longEdges->x(pos);
            fetch();
            const qsizetype k = pos - tl.textStart();
            if (!pens.isEmpty() && k >= 0 && k < pens.size())
                return pens[k].x();
            // From the line's visible end on: the end of its text.
            if (!pens.isEmpty() && k >= pens.size() && k <= tl.textLength())
                return tl.x() + tl.naturalTextWidth();
            return edgeX(tl, pos, longBlock);
        };

        plain.clear();
        int glyphFrom = INT_MAX, glyphTo = INT_MIN;
        int prevRight = INT_MIN;
        for (size_t j = first; j < runs_.size() && runs_[j].StartPos < lineEnd + 2; ++j) {
            const TKeyDescr& run = runs_[j];
            if (run.StartPos < 0 || run.ZOrder >= 254)
                continue;
            const int a = std::max(run.StartPos, lineStart);
            const int b = std::min(run.EndPos + 1, lineEnd);
            if (a >= b)
                continue;
            const qreal x0 = l.Origin.x() + edge(a - l.BlockStart);
            const qreal x1 = l.Origin.x() + edge(b - l.BlockStart);
            // Edges round outward, except towards the selection or a tab, which keep the
            // control's look; neighbouring runs do not share a pixel column.
            const auto untouched = [&](size_t k) {
                return runs_[k].ZOrder >= 254 &&
                       (runs_[k].EndPos + 1 == run.StartPos || runs_[k].StartPos == run.EndPos + 1);
            };
            const bool inLeft = j > 0 && untouched(j - 1);
            const bool inRight = j + 1 < runs_.size() && untouched(j + 1);
            int left = static_cast<int>(inLeft ? std::ceil(std::min(x0, x1))
                                               : std::floor(std::min(x0, x1)));
            const int right = static_cast<int>(inRight ? std::floor(std::max(x0, x1))
                                                       : std::ceil(std::max(x0, x1)));
            left = std::max(left, prevRight);
            if (right <= left)
                continue;
            prevRight = right;
            const QRect rect(left, top, right - left, lineBottom - top);
            const QColor color = toQColor(run.Color, pal);
            // A run that goes on to another line is drawn as plain text, line by line; a final
            // line break does not count.
            const bool multiLine =
                run.StartPos < lineStart || run.EndPos >= lineEnd + (lastOfBlock ? 2 : 0);
            if (!multiLine && run.IsKeyword && OnDrawKey) {
                QString pkey;
                const int pos = adapter_.positionFromOffset(a);
                for (int k = 0; k < b - a; ++k)
                    pkey += document()->characterAt(pos + k);
                keys.emplace_back(rect, color, pkey);
            } else if (!multiLine && run.ZOrder == 253) {
                solid.emplace_back(rect, color);
            } else {
                plain.emplace_back(rect, color);
                glyphFrom = std::min(glyphFrom, a - l.BlockStart);
                glyphTo = std::max(glyphTo, b - l.BlockStart);
                if (!multiLine && run.ZOrder == 252 && hotSpot_.Underlined)
                    underline.emplace_back(rect, color);
            }
            if (l.Block == caretBlock)
                drewOverCaret = true;
        }
        if (plain.empty())
            continue;

        // The line's glyphs near each run go to the batch of the run's colour, once per line
        // and colour: a glyph drawn twice would come out darker.
        // A long line gives only the glyphs around its runs.
        QList<QGlyphRun> glyphs;
        bool wholeLine = false;
        if (tl.textLength() <= kLongLine) {
            fetch();
            glyphs = lineGlyphs;
            wholeLine = std::any_of(glyphs.cbegin(), glyphs.cend(), isDecorated);
        } else {
            // Neighbours whose glyphs may reach into a run lie within a few characters.
            const int from = std::max(tl.textStart(), glyphFrom - 4);
            const int to = std::min(tl.textStart() + tl.textLength(), glyphTo + 4);
            if (to > from)
                glyphs = tl.glyphRuns(from, to - from);
        }
        std::stable_sort(plain.begin(), plain.end(), [](const auto& x, const auto& y) {
            return x.second.rgba() < y.second.rgba();
        });
        for (size_t i = 0; i < plain.size();) {
            const QColor color = plain[i].second;
            clipped.clear();
            for (; i < plain.size() && plain[i].second == color; ++i) {
                if (areaIsRect) {
                    const QRect r = plain[i].first & areaRect;
                    if (!r.isEmpty())
                        clipped.push_back(r);
                } else {
                    for (const QRect& r : area.intersected(plain[i].first))
                        clipped.push_back(r);
                }
            }
            if (clipped.empty())
                continue;
            auto batch = std::find_if(batches.begin(), batches.end(),
                                      [&](const TColourBatch& b) { return b.Color == color; });
            if (batch == batches.end()) {
                batches.push_back({color, {}, {}, {}});
                batch = batches.end() - 1;
            }
            ranges.clear();
            for (const QRect& r : clipped) {
                batch->Rects.push_back(r);
                ranges.emplace_back(r.left() - reachLeft, r.right() + 1 + reachRight);
            }
            if (wholeLine)
                batch->Lines.emplace_back(tl, l.Origin);
            else
                addGlyphs(*batch, glyphs, l.Origin, ranges);
        }
    }

    // The background the control drew under every run, then each colour in one clipped draw of
    // the control's own glyphs: one draw per colour for the whole view.
    for (const TColourBatch& b : batches)
        for (const QRect& r : b.Rects) {
            painter.fillRect(r, background);
            matchMarks_.paint(painter, r);
        }
    for (const TColourBatch& b : batches) {
        QRegion region;
        for (const QRect& r : b.Rects)
            region += r;
        painter.setClipRegion(region);
        painter.setPen(b.Color);
        for (const TGlyphBatch& g : b.Glyphs) {
            QGlyphRun run = g.Run;
            run.setGlyphIndexes(g.Indexes);
            run.setPositions(g.Positions);
            // Only long lines come here with such lines: their keys go without them rather than
            // get them in the wrong place.
            run.setUnderline(false);
            run.setOverline(false);
            run.setStrikeOut(false);
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
        for (const auto& [line, origin] : b.Lines)
            line.draw(&painter, origin);
    }
    painter.setClipRegion(area);
    for (const auto& [rect, color] : underline) {
        const qreal y = rect.top() + fm.ascent() + std::max<qreal>(1, fm.underlinePos());
        painter.fillRect(QRectF(rect.left(), std::floor(y), rect.width(),
                                std::round(std::max<qreal>(1, fm.lineWidth()))),
                         color);
    }
    for (const auto& [rect, color] : solid)
        painter.fillRect(rect, color);
    for (const auto& [rect, color, pkey] : keys) {
        painter.save();
        painter.setClipRegion(area.intersected(rect));
        painter.setFont(font());
        painter.setPen(color);
        painter.setBrush(background);
        OnDrawKey(painter, pkey, rect, font_.color);
        painter.restore();
    }

    // The overlay may have covered the caret: draw it again while it is in its visible phase.
    const int cpos = drewOverCaret ? getPaintContext().cursorPosition : -1;
    if (cpos >= 0) {
        for (const TDisplayLine& l : lines) {
            if (l.Block != caretBlock)
                continue;
            painter.setClipRegion(area);
            painter.setPen(pal.color(QPalette::Text));
            const int inBlock = cpos - l.Block.position();
            if (l.Block.length() - 1 <= kLongLine) {
                l.Block.layout()->drawCursor(&painter, l.Origin - l.Block.layout()->position(),
                                             inBlock, cursorWidth());
                break;
            }
            // As QTextLayout::drawCursor draws it, without its measuring of the whole block.
            const QTextLine tl = l.Block.layout()->lineAt(l.LineInBlock);
            if (inBlock < tl.textStart() || inBlock > tl.textStart() + tl.textLength())
                continue;
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillRect(QRectF(l.Origin.x() + edgeX(tl, inBlock, true), l.Top, cursorWidth(),
                                    tl.ascent() + tl.descent()),
                             painter.pen().brush());
            painter.restore();
            break;
        }
    }
    painter.setClipping(false);
}

// ---- Hot spots ----------------------------------------------------------------------------------

std::optional<QString> TColorMemo::hotSpotAt(QPoint point) const {
    const auto hit = adapter_.charFromPos(point);
    if (!hit)
        return std::nullopt;
    const TDisplayLine line = adapter_.lineAt(hit->Offset);
    // Only the pointed line is read, whatever its length.
    const int inLine = hit->Offset - line.Start;
    if (inLine < 0 || inLine > line.Length)
        return std::nullopt;
    const int lineStartPos = line.Block.position() + (line.Start - line.BlockStart);
    const QChar begin = QChar(cp1252::toUnicode(static_cast<unsigned char>(hotSpot_.BeginChar)));
    const QChar end = QChar(cp1252::toUnicode(static_cast<unsigned char>(hotSpot_.EndChar)));
    const auto at = [&](int i) { return document()->characterAt(lineStartPos + i); };
    int e = -1, b = -1;
    for (int i = inLine; i < line.Length && e < 0; ++i) {
        const QChar c = at(i);
        if (c == end)
            e = i;
        else if (c == begin && b < 0)
            b = i;
    }
    // Inside when an end marker follows on the line before any begin marker.
    if (hotSpot_.EndChar == 0 || e < 0 ||
        (b >= 0 && b < e && hotSpot_.BeginChar != hotSpot_.EndChar))
        return std::nullopt;
    QString tail;
    for (int i = inLine; i < e; ++i)
        tail += at(i);
    int leadStart = inLine;
    while (leadStart > 0 && at(leadStart - 1) != begin)
        --leadStart;
    QString lead;
    for (int i = leadStart; i < inLine; ++i)
        lead += at(i);
    return lead + tail;
}

bool TColorMemo::hitsHotSpot(QPoint point) const {
    return hotSpotAt(point).has_value();
}

void TColorMemo::setHandCursor(bool hand) {
    if (hand == handShown_)
        return;
    handShown_ = hand;
    if (hand)
        viewport()->setCursor(hotSpotCursor());
    else
        viewport()->setCursor(Qt::IBeamCursor);
}

// ---- Input --------------------------------------------------------------------------------------

void TColorMemo::keyReleaseEvent(QKeyEvent* e) {
    // The release of Shift may still carry the Shift flag itself (X11 reports the state before
    // the event); no other modifier may be held.
    const Qt::KeyboardModifiers others = e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (e->key() == Qt::Key_Shift && others == Qt::NoModifier)
        DrawKeys(false);
    QPlainTextEdit::keyReleaseEvent(e);
}

void TColorMemo::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && e->buttons() == Qt::LeftButton &&
        e->modifiers() == Qt::NoModifier)
        DrawKeys(false);
    QPlainTextEdit::mousePressEvent(e);
}

void TColorMemo::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        DrawKeys(false);
    QPlainTextEdit::mouseReleaseEvent(e);
    if (handShown_) {
        if (const auto src = hotSpotAt(e->position().toPoint()); src && OnHotSpotClick)
            OnHotSpotClick(this, *src);
    }
}

void TColorMemo::mouseMoveEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseMoveEvent(e);
    if (hotSpot_.Active)
        setHandCursor(hitsHotSpot(e->position().toPoint()));
}

void TColorMemo::scrollContentsBy(int dx, int dy) {
    QPlainTextEdit::scrollContentsBy(dx, dy);
    if (dx != 0 && OnHScroll)
        OnHScroll(this);
    if (dy != 0 && OnVScroll)
        OnVScroll(this);
    // The line that was partly visible at the bottom may now be whole, and keys found from the
    // new top line differ: the scrolled image is not enough.
    DrawKeys(false);
}
