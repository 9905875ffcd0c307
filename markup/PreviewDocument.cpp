// The preview's document: the page's lines read into styled paragraphs, a window of them kept in
// a toolkit document, positions mapped both ways, and the long-line cut. It stays in one file for
// now, a little past 600 lines: the window, the reader and the position maps share the line cache;
// the reader's part goes to the plain core once the page has its own store.

#include "markup/PreviewDocument.h"

#include "document/PageDocument.h"
#include "document/PageText.h"
#include "markup/core/PageMarkup.h"
#include "platform/QtColors.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <memory>

using namespace markup;

namespace {

constexpr int kSliceMs = 12;       ///< one slice of a long page's reading between events
constexpr int kSyncLines = 2000;   ///< an edit of more lines is read again in slices
constexpr int kReadStep = 256;     ///< lines read between looks at the clock
constexpr int kKeepFrom = 1 << 16; ///< a line this long is read once for its state and its block
// After the part of a very long line that the preview shows.
constexpr const char16_t* kCutNote = u" \u2026 (the rest of this line shows in the editor only)";

// The blocks of a document from block `from` on, one after the other.
class TBlockWalk {
public:
    explicit TBlockWalk(QTextDocument* doc) : doc_(doc) {}
    QTextBlock at(int k) {
        if (!(block_.isValid() && k == number_ + 1 && (block_ = block_.next()).isValid()))
            block_ = doc_->findBlockByNumber(k);
        number_ = k;
        return block_;
    }

private:
    QTextDocument* doc_;
    QTextBlock block_;
    int number_ = -2;
};

} // namespace

TPreviewDocument::TPreviewDocument(TPageDocument& page, QObject* parent)
    : QObject(parent), page_(page), doc_(new QTextDocument(this)), lines_(kPreviewMaxShown),
      watch_(page, {.changed = [this](int offset, int removed, int added) {
                 pageChanged(offset, removed, added);
             }}) {
    doc_->setUndoRedoEnabled(false);
    doc_->setObjectName("PreviewDocument");
    palette_ = QApplication::palette();
    setBaseFont(defaultFont());
}

TPreviewDocument::~TPreviewDocument() = default;

QFont TPreviewDocument::defaultFont() {
    QFont f = QApplication::font();
    f.setPointSize(12);
    return f;
}

void TPreviewDocument::setBaseFont(const QFont& font) {
    font_ = font;
    doc_->setDefaultFont(font);
    tabWidth_ = std::max<qreal>(QFontMetricsF(font).averageCharWidth(), 1);
    formats_.clear();
    if (active_)
        rebuild();
}

void TPreviewDocument::setPalette(const QPalette& palette) {
    palette_ = palette;
    formats_.clear();
    if (active_)
        rebuild();
}

void TPreviewDocument::setActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    if (active) {
        rebuild();
    } else {
        // Hidden, it holds nothing: the page is read afresh when it shows again.
        lines_ = TPreviewLines(kPreviewMaxShown);
        cachedLine_ = -1;
        doc_->clear();
        windowFirst_ = windowLines_ = 0;
        wanted_ = -1;
        fillTo_ = 0;
    }
}

void TPreviewDocument::toBytes(const QString& text, std::string& bytes) {
    bytes.resize(static_cast<std::size_t>(text.size()));
    pagetext::toBytes(reinterpret_cast<const char16_t*>(text.utf16()),
                      static_cast<std::size_t>(text.size()), bytes.data());
}

const QTextCharFormat& TPreviewDocument::format(const TPreviewStyle& s) {
    const quint64 key = quint64(s.flags) | (quint64(quint16(s.size + 1)) << 16) |
                        (quint64(quint8(s.color + 1)) << 32);
    auto it = formats_.find(key);
    if (it != formats_.end())
        return *it;
    QTextCharFormat f;
    if (s.flags & kPreviewBold)
        f.setFontWeight(QFont::Bold);
    if (s.flags & kPreviewItalic)
        f.setFontItalic(true);
    if (s.flags & (kPreviewUnderlined | kPreviewLink))
        f.setFontUnderline(true);
    if (s.flags & kPreviewStrikeout)
        f.setFontStrikeOut(true);
    if (s.size > 0)
        f.setFontPointSize(s.size);
    QColor text = palette_.color(QPalette::Text);
    if (s.color >= 0)
        text = toQColor(kPageColors[static_cast<std::size_t>(s.color)].value, palette_);
    else if (s.flags & kPreviewLink)
        text = palette_.color(QPalette::Link);
    if (s.flags & kPreviewInverse) {
        f.setForeground(palette_.color(QPalette::Base));
        f.setBackground(text);
    } else {
        if (s.color >= 0 || (s.flags & kPreviewLink))
            f.setForeground(text);
        if (s.flags & kPreviewVariable)
            f.setBackground(toQColor(kPreviewVariableBackground, palette_));
    }
    if (s.flags & kPreviewVariable)
        f.setFontUnderline(true), f.setUnderlineStyle(QTextCharFormat::DotLine);
    return *formats_.insert(key, f);
}

void TPreviewDocument::writeParagraph(QTextCursor& c, const QString& text,
                                      const TPreviewParagraph& p, bool newBlock) {
    QTextBlockFormat bf;
    if (p.centred)
        bf.setAlignment(Qt::AlignHCenter);
    if (p.indent > 0)
        bf.setLeftMargin(p.indent * tabWidth_);
    if (!p.tabStops.empty()) {
        QList<QTextOption::Tab> tabs;
        for (int stop : p.tabStops)
            tabs.append(QTextOption::Tab(stop * tabWidth_, QTextOption::LeftTab));
        bf.setTabPositions(tabs);
    }
    if (newBlock)
        c.insertBlock(bf, QTextCharFormat());
    else
        c.setBlockFormat(bf);
    for (const TPreviewRun& r : p.runs)
        c.insertText(r.tab ? QStringLiteral("\t") : text.mid(r.source, r.length), format(r.style));
    if (p.cut >= 0) {
        QTextCharFormat note;
        note.setForeground(palette_.color(QPalette::Disabled, QPalette::Text));
        note.setFontItalic(true);
        c.insertText(QString::fromUtf16(kCutNote), note);
    }
}

void TPreviewDocument::rebuild(int budgetMs) {
    cachedLine_ = -1;
    doc_->clear();
    doc_->setDefaultFont(font_);
    lines_ = TPreviewLines(kPreviewMaxShown);
    windowFirst_ = windowLines_ = 0;
    fillTo_ = 0;
    pageLines_ = page_.lineCount();
    held_ = std::clamp(held_, 0, std::max(pageLines_ - 1, 0));
    wanted_ = held_;
    readOn(held_ + kWindowStep, budgetMs);
    emit rebuilt();
}

void TPreviewDocument::readAll() {
    sweep(-1);
    readOn(pageLines_ - 1, -1);
}

TPreviewLines::TLineReader TPreviewDocument::lineReader(QString& text) const {
    return [this, &text](int k) -> std::string_view {
        text = page_.lineText(k);
        toBytes(text, lineBytes_);
        return lineBytes_;
    };
}

TPreviewLines::TParagraphSink TPreviewDocument::windowSink(QTextCursor& c, QString& text) {
    return [this, &c, &text, walk = std::make_shared<TBlockWalk>(doc_)](
               int k, std::string_view, const TPreviewParagraph& p) {
        if (inWindow(k)) {
            rewriteBlock(c, walk->at(k - windowFirst_), text, p);
            keepLine(k, text, p);
        }
    };
}

void TPreviewDocument::readOn(int line, int budgetMs) {
    line = std::min(line, pageLines_ - 1);
    if (line >= lines_.lineCount()) {
        QElapsedTimer clock;
        clock.start();
        QString text;
        const TPreviewLines::TLineReader reader = lineReader(text);
        // A long line read here is kept for the window, which writes it next.
        const TPreviewLines::TParagraphSink keep = [this, &text](int k, std::string_view,
                                                                 const TPreviewParagraph& p) {
            if (text.size() >= kKeepFrom)
                keepLine(k, text, p);
        };
        // One step at least, whatever the budget: the top of the page shows at once.
        do
            lines_.append(std::min(kReadStep, line + 1 - lines_.lineCount()), reader, keep);
        while (lines_.lineCount() <= line && (budgetMs < 0 || clock.elapsed() < budgetMs));
    }
    placeWanted();
    queueSlice();
}

void TPreviewDocument::queueSlice() {
    if (complete() || sliceQueued_ || !active_)
        return;
    sliceQueued_ = true;
    QTimer::singleShot(0, this, &TPreviewDocument::continueBuilding);
}

const TPreviewParagraph& TPreviewDocument::readLine(int line, QString& text) const {
    // The line read last is kept until the page changes: a key on a very long line reads it
    // once, not again for each place mapped on it.
    if (line == cachedLine_) {
        text = lineText_;
        return paragraph_;
    }
    text = page_.lineText(line);
    toBytes(text, lineBytes_);
    TPreviewState state = lines_.before(line);
    paragraph_ = readPreviewLine(lineBytes_, state, kPreviewMaxShown);
    keepLine(line, text, paragraph_);
    return paragraph_;
}

void TPreviewDocument::keepLine(int line, const QString& text, const TPreviewParagraph& p) const {
    if (&p != &paragraph_)
        paragraph_ = p;
    lineText_ = text;
    cachedLine_ = line;
}

TPreviewDocument::THold TPreviewDocument::holdLine(int line) {
    held_ = std::max(line, 0);
    if (inWindow(held_))
        return THold::InWindow;
    wanted_ = held_;
    if (held_ < lines_.lineCount()) {
        placeWanted();
        return THold::Moved;
    }
    queueSlice();
    return THold::NotRead;
}

void TPreviewDocument::placeWanted() {
    const int read = lines_.lineCount();
    if (wanted_ >= 0 && (wanted_ < read || (read >= pageLines_ && read > 0))) {
        const int line = std::min(wanted_, read - 1);
        wanted_ = -1;
        const int first = std::max(0, line - kWindowStep);
        fillTo_ = std::min(line + kWindowStep, pageLines_);
        setWindow(first, std::min(fillTo_, read) - first);
        emit windowMoved();
    }
    // A window placed before all its lines were read grows as they are.
    const int end = windowFirst_ + windowLines_;
    if (fillTo_ > end && read > end && windowLines_ > 0)
        insertLines(windowLines_, end, std::min(fillTo_, read) - end);
    if (windowFirst_ + windowLines_ >= fillTo_)
        fillTo_ = 0;
}

bool TPreviewDocument::extendWindow(bool up) {
    const int end = windowFirst_ + windowLines_;
    if (windowLines_ == 0 || (up ? windowFirst_ == 0 : end >= lines_.lineCount()))
        return false;
    fillTo_ = 0;
    if (up) {
        const int first = std::max(0, windowFirst_ - kWindowStep);
        setWindow(first, std::min(end, first + kMaxWindow) - first);
    } else {
        const int last = std::min(lines_.lineCount(), end + kWindowStep);
        const int first = std::max(windowFirst_, last - kMaxWindow);
        setWindow(first, last - first);
    }
    return true;
}

void TPreviewDocument::setWindow(int first, int count) {
    first = std::clamp(first, 0, lines_.lineCount());
    count = std::clamp(count, 0, lines_.lineCount() - first);
    const int oldFirst = windowFirst_, oldEnd = windowFirst_ + windowLines_, end = first + count;
    if (windowLines_ == 0 || count == 0 || end <= oldFirst || first >= oldEnd) {
        doc_->clear();
        doc_->setDefaultFont(font_);
        windowFirst_ = first;
        windowLines_ = 0;
        insertLines(0, first, count);
        return;
    }
    if (end < oldEnd)
        removeBlocks(end - oldFirst, windowLines_);
    if (first > oldFirst)
        removeBlocks(0, first - oldFirst);
    if (first < oldFirst)
        insertLines(0, first, oldFirst - first);
    if (end > oldEnd)
        insertLines(windowLines_, oldEnd, end - oldEnd);
}

void TPreviewDocument::removeBlocks(int from, int to) {
    to = std::min(to, windowLines_);
    if (from >= to)
        return;
    if (from == 0 && to == windowLines_) {
        doc_->clear();
        doc_->setDefaultFont(font_);
        windowFirst_ += windowLines_;
        windowLines_ = 0;
        return;
    }
    QTextCursor c(doc_);
    c.beginEditBlock();
    if (from > 0) {
        // From the end of the block before them: the blocks after keep their formats.
        const QTextBlock last = doc_->findBlockByNumber(to - 1);
        c.setPosition(doc_->findBlockByNumber(from - 1).position() +
                      doc_->findBlockByNumber(from - 1).length() - 1);
        c.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    } else {
        c.setPosition(doc_->findBlockByNumber(to).position(), QTextCursor::KeepAnchor);
        c.removeSelectedText();
        // The first block now holds the next line's text, in the format of the first removed.
        QString text;
        const TPreviewParagraph& p = readLine(windowFirst_ + to, text);
        rewriteBlock(c, doc_->begin(), text, p);
    }
    c.endEditBlock();
    windowLines_ -= to - from;
    if (from == 0)
        windowFirst_ += to;
}

void TPreviewDocument::insertLines(int block, int first, int count) {
    if (count <= 0)
        return;
    QTextCursor c(doc_);
    c.beginEditBlock();
    QString text;
    const bool top = block == 0 && windowLines_ > 0;
    if (windowLines_ == 0) {
        c.setPosition(0);
    } else if (block > 0) {
        const QTextBlock before = doc_->findBlockByNumber(block - 1);
        c.setPosition(before.position() + before.length() - 1);
    } else {
        // An empty block before the first, for the first new line.
        c.setPosition(0);
        c.insertBlock();
        c.setPosition(0);
    }
    for (int k = 0; k < count; ++k)
        writeParagraph(c, text, readLine(first + k, text), k > 0 || block > 0);
    windowLines_ += count;
    if (block == 0)
        windowFirst_ = first;
    // The line that was first: in the block the split left it, with its own format again.
    if (top)
        rewriteBlock(c, doc_->findBlockByNumber(count), text, readLine(first + count, text));
    c.endEditBlock();
}

void TPreviewDocument::rewriteBlock(QTextCursor& c, const QTextBlock& b, const QString& text,
                                    const TPreviewParagraph& p) {
    c.setPosition(b.position());
    c.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    writeParagraph(c, text, p, false);
}

void TPreviewDocument::sweep(int budgetMs) {
    if (lines_.pending() < 0)
        return;
    cachedLine_ = -1; // states change: the window's lines read again are kept anew
    QElapsedTimer clock;
    clock.start();
    QTextCursor c(doc_);
    c.beginEditBlock();
    QString text;
    const TPreviewLines::TLineReader reader = lineReader(text);
    const TPreviewLines::TParagraphSink sink = windowSink(c, text);
    int first = -1, last = -1;
    while (lines_.pending() >= 0 && (budgetMs < 0 || clock.elapsed() < budgetMs)) {
        const TPreviewLines::TChange change = lines_.sweep(kReadStep, reader, sink);
        if (first < 0)
            first = change.first;
        last = change.first + change.added;
    }
    c.endEditBlock();
    if (first >= 0)
        emit updated(first, last - first, last - first);
}

void TPreviewDocument::continueBuilding() {
    sliceQueued_ = false;
    if (!active_)
        return;
    QElapsedTimer clock;
    clock.start();
    sweep(kSliceMs);
    const int left = kSliceMs - static_cast<int>(clock.elapsed());
    if (left > 0)
        readOn(pageLines_ - 1, left);
    queueSlice();
}

void TPreviewDocument::pageChanged(int offset, int removed, int added) {
    (void)removed;
    cachedLine_ = -1;
    if (!active_)
        return;
    const int oldCount = pageLines_;
    const int newCount = page_.lineCount();
    pageLines_ = newCount;
    const int first = page_.lineColumnOfOffset(offset).line;
    const int addedLines = page_.lineColumnOfOffset(offset + added).line - first + 1;
    const int removedLines = addedLines - (newCount - oldCount);
    if (first < 0 || addedLines < 1 || removedLines < 1 || first + removedLines > oldCount) {
        rebuild();
        return;
    }
    const int known = lines_.lineCount();
    if (first >= known) {
        queueSlice(); // not read yet: read as it is when its slice comes
        return;
    }
    const int delta = addedLines - removedLines;
    if (fillTo_ > first)
        fillTo_ = std::max(fillTo_ + delta, first + 1);
    const int windowEnd = windowFirst_ + windowLines_;

    // A page opened or a long text pasted is read in slices like a new page.
    if (first + removedLines > known || addedLines > kSyncLines) {
        // The edit reaches past what is read: from its first line on, all is read again later,
        // and the window holds only what is before it until then.
        lines_.truncate(first);
        if (windowLines_ > 0 && windowEnd > first) {
            fillTo_ = std::max(fillTo_, windowEnd + delta);
            if (windowFirst_ >= first)
                wanted_ = held_;
            removeBlocks(std::max(first - windowFirst_, 0), windowLines_);
        }
        readOn(pageLines_ - 1, kSliceMs);
        emit updated(first, known - first, lines_.lineCount() - first);
        return;
    }

    // The window's blocks first. An edit above it moves it; one that reaches into it turns the
    // blocks of the lines it replaced into as many as the new lines, empty ones added after the
    // first or extra ones dropped, and the window then holds every new line.
    if (windowLines_ > 0 && first + removedLines <= windowFirst_) {
        windowFirst_ += delta;
    } else if (windowLines_ > 0 && first < windowEnd) {
        const int from = std::max(first, windowFirst_) - windowFirst_;
        const int to = std::min(first + removedLines, windowEnd) - windowFirst_;
        const int common = std::min(to - from, addedLines);
        if (to - from > common) {
            removeBlocks(from + common, to);
        } else if (addedLines > common) {
            const QTextBlock b = doc_->findBlockByNumber(from + common - 1);
            QTextCursor c(doc_);
            c.setPosition(b.position() + b.length() - 1);
            c.beginEditBlock();
            for (int k = common; k < addedLines; ++k)
                c.insertBlock();
            c.endEditBlock();
            windowLines_ += addedLines - common;
        }
        windowFirst_ = std::min(windowFirst_, first);
    }

    QTextCursor c(doc_);
    c.beginEditBlock();
    QString text;
    // The lines whose incoming state changed are read at once as far as the window shows them;
    // those after it, in slices.
    const int shown = windowFirst_ + windowLines_ - (first + addedLines);
    const TPreviewLines::TChange change =
        lines_.update(first, removedLines, addedLines, lineReader(text), windowSink(c, text),
                      std::clamp(shown, kReadStep, kSyncLines));
    c.endEditBlock();
    emit updated(change.first, change.removed, change.added);
    queueSlice();
}

int TPreviewDocument::pageOffsetOf(int position) const {
    const QTextBlock b = doc_->findBlock(position);
    const int line = windowFirst_ + b.blockNumber();
    if (!b.isValid() || !inWindow(line))
        return page_.length();
    QString text;
    const TPreviewParagraph& p = readLine(line, text);
    return page_.lineOffset(line) + p.sourceOf(position - b.position());
}

int TPreviewDocument::positionOf(int pageOffset) const {
    const TPageDocument::TLineColumn lc = page_.lineColumnOfOffset(pageOffset);
    if (!inWindow(lc.line))
        return -1;
    QString text;
    const TPreviewParagraph& p = readLine(lc.line, text);
    return doc_->findBlockByNumber(lc.line - windowFirst_).position() + p.shownAt(lc.column);
}

bool TPreviewDocument::writePage(QTextDocument& into,
                                 const std::function<bool(int, int)>& progress) {
    into.clear();
    into.setDefaultFont(font_);
    QTextCursor c(&into);
    c.beginEditBlock();
    const int lines = page_.lineCount();
    TPreviewState state;
    QString text;
    std::string bytes, other;
    const auto reader = [&](int k) -> std::string_view {
        toBytes(page_.lineText(k), other);
        return other;
    };
    for (int k = 0; k < lines; ++k) {
        if (progress && k % 1024 == 0 && !progress(k, lines))
            return false;
        text = page_.lineText(k);
        toBytes(text, bytes);
        const TPreviewState before = state;
        const TPreviewParagraph p = readPreviewLine(bytes, state);
        writeParagraph(c, text, p, k > 0);
        if (std::any_of(p.runs.begin(), p.runs.end(), [](const TPreviewRun& r) {
                return r.style.flags & (kPreviewLink | kPreviewTarget);
            }))
            markAnchors(c, c.block().position(), text, p, [&](int source) {
                return previewLinkHref(previewLinkAction(reader, lines, k, before, source));
            });
    }
    c.endEditBlock();
    return !progress || progress(lines, lines);
}

void TPreviewDocument::markAnchors(QTextCursor& c, int blockStart, const QString& text,
                                   const TPreviewParagraph& p,
                                   const std::function<std::string(int)>& hrefAt) {
    // A link's runs (one link may change style inside) lead where its action says; a target
    // mark's runs are named after the mark, so that links in the same file can lead to them.
    const int end = c.position();
    for (std::size_t i = 0; i < p.runs.size();) {
        const std::uint16_t kind = p.runs[i].style.flags & (kPreviewLink | kPreviewTarget);
        std::size_t j = i + 1;
        while (j < p.runs.size() && (p.runs[j].style.flags & kind) && !p.runs[j].tab)
            ++j;
        if (kind == 0 || p.runs[i].tab) {
            i = j;
            continue;
        }
        QTextCharFormat f;
        if (kind & kPreviewLink) {
            const std::string href = hrefAt(p.runs[i].source);
            if (href.empty()) {
                i = j;
                continue;
            }
            f.setAnchor(true);
            f.setAnchorHref(pagetext::fromBytes(href));
        } else {
            QString name;
            for (std::size_t r = i; r < j; ++r)
                name += text.mid(p.runs[r].source, p.runs[r].length);
            f.setAnchor(true);
            f.setAnchorNames({name.trimmed()});
        }
        c.setPosition(blockStart + p.runs[i].offset);
        c.setPosition(blockStart + p.runs[j - 1].offset + p.runs[j - 1].length,
                      QTextCursor::KeepAnchor);
        c.mergeCharFormat(f);
        i = j;
    }
    c.setPosition(end);
}

TPreviewDocument::TLinkInfo TPreviewDocument::linkAt(int position, bool withAction) const {
    TLinkInfo info;
    const QTextBlock b = doc_->findBlock(position);
    const int line = windowFirst_ + b.blockNumber();
    if (!b.isValid() || !inWindow(line))
        return info;
    QString text;
    const TPreviewParagraph p = readLine(line, text);
    const TPreviewRun* run = p.runAt(position - b.position());
    if (!run || !(run->style.flags & kPreviewLink))
        return info;
    info.link = true;
    // The link's visible text on this line: the link runs around the one under the position.
    auto from = p.runs.begin() + (run - p.runs.data());
    auto to = from;
    while (from != p.runs.begin() && ((from - 1)->style.flags & kPreviewLink))
        --from;
    while (to + 1 != p.runs.end() && ((to + 1)->style.flags & kPreviewLink))
        ++to;
    const int start = page_.lineOffset(line);
    info.from = start + from->source;
    info.to = start + to->source + (to->tab ? 0 : to->length);
    // With its codes and action text, as far as they are on this line.
    const qsizetype open =
        text.lastIndexOf(QLatin1String(kActionLink.opening.data(), 2), from->source);
    if (open >= 0)
        info.from = start + static_cast<int>(open);
    const qsizetype close =
        text.indexOf(QLatin1String(kActionLink.closing.data(), 2), info.to - start);
    if (close >= 0)
        info.to = start + static_cast<int>(close + kActionLink.closing.size());
    if (!withAction)
        return info;
    std::string bytes;
    const auto reader = [&](int k) -> std::string_view {
        toBytes(page_.lineText(k), bytes);
        return bytes;
    };
    info.action = pagetext::fromBytes(
        previewLinkAction(reader, lines_.lineCount(), line, lines_.before(line), run->source));
    return info;
}

int TPreviewDocument::targetOffset(const QString& name) const {
    if (name.isEmpty())
        return -1;
    const QString mark =
        QString::fromLatin1(kTargetMark.opening) + name + QString::fromLatin1(kTargetMark.closing);
    const int at = static_cast<int>(page_.text().indexOf(mark));
    return at < 0 ? -1 : at;
}
