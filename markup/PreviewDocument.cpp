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

using namespace markup;

namespace {

constexpr int kSliceMs = 12;     ///< one slice of a long page's writing between events
constexpr int kSyncLines = 2000; ///< an edit of more lines is read again in slices

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
    : QObject(parent), page_(page), doc_(new QTextDocument(this)) {
    doc_->setUndoRedoEnabled(false);
    doc_->setObjectName("PreviewDocument");
    palette_ = QApplication::palette();
    setBaseFont(defaultFont());
    connect(&page_, &TPageDocument::changed, this, &TPreviewDocument::pageChanged);
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
        lines_ = TPreviewLines();
        doc_->clear();
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
            f.setBackground(QColor(0xE3, 0xEC, 0xFA));
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
}

void TPreviewDocument::rebuild(int budgetMs) {
    doc_->clear();
    doc_->setDefaultFont(font_);
    lines_ = TPreviewLines();
    pageLines_ = page_.lineCount();
    append(pageLines_ - 1, budgetMs);
    emit rebuilt();
}

void TPreviewDocument::append(int line, int budgetMs) {
    line = std::min(line, shownLines() - 1);
    if (line < lines_.lineCount()) {
        queueSlice();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QTextCursor c(doc_);
    c.movePosition(QTextCursor::End);
    c.beginEditBlock();
    QString text;
    const auto reader = [&](int k) -> std::string_view {
        text = page_.lineText(k);
        toBytes(text, lineBytes_);
        return lineBytes_;
    };
    const auto sink = [&](int k, std::string_view, const TPreviewParagraph& p) {
        writeParagraph(c, text, p, k > 0);
    };
    constexpr int kStep = 128;
    // One step at least, whatever the budget: the top of the page shows at once.
    do
        lines_.append(std::min(kStep, line + 1 - lines_.lineCount()), reader, sink);
    while (lines_.lineCount() <= line && (budgetMs < 0 || clock.elapsed() < budgetMs));
    c.endEditBlock();
    queueSlice();
}

void TPreviewDocument::queueSlice() {
    if (complete() || sliceQueued_ || !active_)
        return;
    sliceQueued_ = true;
    QTimer::singleShot(0, this, &TPreviewDocument::continueBuilding);
}

const TPreviewParagraph& TPreviewDocument::readLine(int line, QString& text) const {
    text = page_.lineText(line);
    toBytes(text, lineBytes_);
    TPreviewState state = lines_.before(line);
    paragraph_ = readPreviewLine(lineBytes_, state);
    return paragraph_;
}

void TPreviewDocument::buildTo(int line) {
    sweep(-1);
    append(line, -1);
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
    QElapsedTimer clock;
    clock.start();
    QTextCursor c(doc_);
    c.beginEditBlock();
    QString text;
    TBlockWalk walk(doc_);
    const auto reader = [&](int k) -> std::string_view {
        text = page_.lineText(k);
        toBytes(text, lineBytes_);
        return lineBytes_;
    };
    const auto sink = [&](int k, std::string_view, const TPreviewParagraph& p) {
        rewriteBlock(c, walk.at(k), text, p);
    };
    int first = -1, last = -1;
    while (lines_.pending() >= 0 && (budgetMs < 0 || clock.elapsed() < budgetMs)) {
        const TPreviewLines::TChange change = lines_.sweep(128, reader, sink);
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
        append(pageLines_ - 1, left);
    queueSlice();
}

void TPreviewDocument::pageChanged(int offset, int removed, int added) {
    (void)removed;
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

    const auto blockEnd = [&](int k) {
        const QTextBlock b = doc_->findBlockByNumber(k);
        return b.position() + b.length() - 1;
    };
    QTextCursor c(doc_);
    c.beginEditBlock();
    // A page opened or a long text pasted is read in slices like a new page.
    if (first + removedLines > known || addedLines > kSyncLines) {
        // The edit reaches past what is read: from its first line on, all is read again later.
        if (first == 0) {
            c.select(QTextCursor::Document);
            c.removeSelectedText();
            c.setBlockFormat(QTextBlockFormat());
        } else {
            c.setPosition(blockEnd(first - 1));
            c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            c.removeSelectedText();
        }
        c.endEditBlock();
        lines_.truncate(first);
        // What was in view comes back at once; the rest follows in slices.
        append(pageLines_ - 1, kSliceMs);
        emit updated(first, known - first, lines_.lineCount() - first);
        return;
    }
    // The blocks of the edited lines first: as many as the lines are now, empty ones added after
    // the first or the extra ones dropped; the model then writes those whose paragraph changed.
    const int common = std::min(removedLines, addedLines);
    if (removedLines > common) {
        c.setPosition(blockEnd(first + common - 1));
        c.setPosition(blockEnd(first + removedLines - 1), QTextCursor::KeepAnchor);
        c.removeSelectedText();
    } else {
        c.setPosition(blockEnd(first + common - 1));
        for (int k = common; k < addedLines; ++k)
            c.insertBlock();
    }

    QString text;
    TBlockWalk walk(doc_);
    const auto reader = [&](int k) -> std::string_view {
        text = page_.lineText(k);
        toBytes(text, lineBytes_);
        return lineBytes_;
    };
    const auto sink = [&](int k, std::string_view, const TPreviewParagraph& p) {
        rewriteBlock(c, walk.at(k), text, p);
    };
    // Past kSyncLines lines, the lines whose incoming state changed are read in slices.
    const TPreviewLines::TChange change =
        lines_.update(first, removedLines, addedLines, reader, sink, kSyncLines);
    c.endEditBlock();
    emit updated(change.first, change.removed, change.added);
    queueSlice();
}

int TPreviewDocument::pageOffsetOf(int position) const {
    const QTextBlock b = doc_->findBlock(position);
    if (!b.isValid() || b.blockNumber() >= lines_.lineCount())
        return page_.length();
    const int line = b.blockNumber();
    QString text;
    const TPreviewParagraph& p = readLine(line, text);
    return page_.lineOffset(line) + p.sourceOf(position - b.position());
}

int TPreviewDocument::positionOf(int pageOffset) const {
    const TPageDocument::TLineColumn lc = page_.lineColumnOfOffset(pageOffset);
    if (lc.line >= lines_.lineCount())
        return doc_->characterCount() - 1;
    QString text;
    const TPreviewParagraph& p = readLine(lc.line, text);
    return doc_->findBlockByNumber(lc.line).position() + p.shownAt(lc.column);
}

TPreviewDocument::TLinkInfo TPreviewDocument::linkAt(int position, bool withAction) const {
    TLinkInfo info;
    const QTextBlock b = doc_->findBlock(position);
    if (!b.isValid() || b.blockNumber() >= lines_.lineCount())
        return info;
    const int line = b.blockNumber();
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
