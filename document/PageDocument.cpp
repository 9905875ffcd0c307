#include "document/PageDocument.h"

#include "document/DisplayCuts.h"
#include "document/PageLayout.h"
#include "document/PageText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <climits>

TPageDocument::TPageDocument(QObject* parent)
    : QObject(parent), document_(new QTextDocument(this)) {
    // Views are plain-text editors: their document lays out as theirs does.
    document_->setDocumentLayout(new TPageLayout(document_));
    cuts_ = new TDisplayCuts(document_);
    // The cuts hear of a change first (they were connected first), so offsets are right here.
    connect(document_, &QTextDocument::contentsChange, this, &TPageDocument::contentsChanged);
    // The toolkit clears its flag without telling when the whole text is replaced: the flag is
    // looked at again after every change as well.
    connect(document_, &QTextDocument::modificationChanged, this, [this] { checkModified(); });
    connect(document_, &QTextDocument::contentsChanged, this, [this] { checkModified(); });
}

TPageDocument::~TPageDocument() {
    // Views that outlive the page hear nothing more of it.
    watchers_.clear();
}

TPageDocument* TPageDocument::of(QTextDocument* document) {
    return document ? qobject_cast<TPageDocument*>(document->parent()) : nullptr;
}

const TPageDocument* TPageDocument::of(const QTextDocument* document) {
    return document ? qobject_cast<const TPageDocument*>(document->parent()) : nullptr;
}

int TPageDocument::longLine() {
    return TCutIndex::kLongestUncutLine;
}

int TPageDocument::piece() {
    return TCutIndex::kDisplayBlock;
}

bool TPageDocument::hasLongLine(QStringView text) {
    return TDisplayCuts::hasLongLine(text);
}

QString TPageDocument::rawText() const {
    return cuts_->rawText();
}

QString TPageDocument::text() const {
    QString t = rawText();
    t.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    return t;
}

QString TPageDocument::pageText() const {
    QString t = rawText();
    t.replace(QChar(QChar::ParagraphSeparator), u'\n');
    return t;
}

std::string TPageDocument::pageBytes() const {
    return pagetext::toPageBytes(rawText());
}

int TPageDocument::length() const {
    return pageLengthOf(*document_);
}

int TPageDocument::lineCount() const {
    return pageLineCountOf(*document_);
}

QString TPageDocument::lineText(int line) const {
    if (line < 0 || line >= lineCount())
        return {};
    QTextBlock b = document_->findBlockByNumber(firstBlockOfLine(line));
    QString text = b.text();
    for (b = b.next(); b.isValid() && continuesLine(b.blockNumber()); b = b.next())
        text += b.text();
    return text;
}

int TPageDocument::lineOffset(int line) const {
    if (line < 0 || line >= lineCount())
        return -1;
    return blockStartOffset(document_->findBlockByNumber(firstBlockOfLine(line)));
}

TPageDocument::TLineColumn TPageDocument::lineColumnOfOffset(int offset) const {
    return lineColumn(positionFromOffset(offset));
}

int TPageDocument::offsetFromPosition(int position) const {
    return pageOffsetOf(*document_, position);
}

int TPageDocument::positionFromOffset(int offset) const {
    return documentPositionOf(*document_, offset);
}

QString TPageDocument::rawText(int from, int to) const {
    return cuts_->rawText(from, to);
}

int TPageDocument::textPosition(int position) const {
    return cuts_->textPosition(position);
}

int TPageDocument::documentPosition(int textPosition) const {
    return cuts_->documentPosition(textPosition);
}

TPageDocument::TLineColumn TPageDocument::lineColumn(int position) const {
    const TDisplayCuts::TLineColumn lc = cuts_->lineColumn(position);
    return {lc.line, lc.column};
}

bool TPageDocument::continuesLine(int block) const {
    return cuts_->index().isCut(block);
}

int TPageDocument::lineOfBlock(int block) const {
    return cuts_->index().lineOfBlock(block);
}

int TPageDocument::firstBlockOfLine(int line) const {
    return cuts_->index().firstBlockOfLine(line);
}

int TPageDocument::continuationsUpTo(int block) const {
    return cuts_->index().countUpTo(block);
}

bool TPageDocument::hasContinuations() const {
    return !cuts_->empty();
}

void TPageDocument::setPageText(const QString& page) {
    // Long lines go in as display blocks, out of the undo history like the rest.
    if (!TDisplayCuts::hasLongLine(page)) {
        document_->setPlainText(page);
    } else {
        document_->setPlainText(QString());
        document_->setUndoRedoEnabled(false);
        QTextCursor c(document_);
        cuts_->insertText(c, page);
        document_->setUndoRedoEnabled(true);
    }
    document_->setModified(false);
}

void TPageDocument::insertText(QTextCursor& cursor, const QString& page) {
    cuts_->insertText(cursor, page);
}

void TPageDocument::replace(int offset, int length, const QString& page) {
    QTextCursor c(document_);
    c.setPosition(positionFromOffset(offset));
    c.setPosition(positionFromOffset(offset + std::max(0, length)), QTextCursor::KeepAnchor);
    cuts_->insertText(c, page);
}

void TPageDocument::replaceEach(const std::vector<TRange>& ranges, const QString& page) {
    if (ranges.empty())
        return;
    cuts_->keepCuts();
    QTextCursor c(document_);
    c.beginEditBlock();
    // From the last back, so that the offsets before each stand.
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
        c.setPosition(positionFromOffset(it->offset));
        c.setPosition(positionFromOffset(it->offset + std::max(0, it->length)),
                      QTextCursor::KeepAnchor);
        cuts_->insertText(c, page);
    }
    c.endEditBlock();
}

void TPageDocument::append(const QString& page) {
    QTextCursor tail(document_);
    tail.movePosition(QTextCursor::End);
    // Each append lays its last paragraph out again: a long line goes in as display blocks, or
    // loading it would be quadratic.
    cuts_->insertText(tail, page);
}

void TPageDocument::keepHistory(bool on) {
    document_->setUndoRedoEnabled(on);
}

void TPageDocument::prepareWideEdit() {
    cuts_->keepCuts();
}

void TPageDocument::undo() {
    cuts_->undo();
}

void TPageDocument::redo() {
    cuts_->redo();
}

void TPageDocument::setPath(const QString& path) {
    if (path == path_)
        return;
    path_ = path;
    tell([&](TPageWatcher* w) { w->pathChanged(path_); });
}

QString TPageDocument::displayName() const {
    return path_.isEmpty() ? QStringLiteral("Untitled") : path_;
}

void TPageDocument::addWatcher(TPageWatcher* watcher) const {
    if (watcher && std::find(watchers_.begin(), watchers_.end(), watcher) == watchers_.end())
        watchers_.push_back(watcher);
}

void TPageDocument::removeWatcher(TPageWatcher* watcher) const {
    // The slot stays until the next notice is over, so that a watcher leaving while others are
    // told skips no one.
    std::replace(watchers_.begin(), watchers_.end(), watcher, static_cast<TPageWatcher*>(nullptr));
}

template <typename F> void TPageDocument::tell(F&& notice) {
    // Watchers added while a notice is given hear the next one.
    const size_t n = watchers_.size();
    for (size_t i = 0; i < n && i < watchers_.size(); ++i)
        if (TPageWatcher* w = watchers_[i])
            notice(w);
    watchers_.erase(std::remove(watchers_.begin(), watchers_.end(), nullptr), watchers_.end());
}

void TPageDocument::checkModified() {
    const bool now = document_->isModified();
    if (now == modified_)
        return;
    modified_ = now;
    tell([&](TPageWatcher* w) { w->modifiedChanged(now); });
}

bool TPageDocument::isModified() const {
    return document_->isModified();
}

void TPageDocument::setModified(bool modified) {
    document_->setModified(modified);
    checkModified();
}

void TPageDocument::setLoadState(TLoadState state) {
    if (state == loadState_)
        return;
    loadState_ = state;
    tell([&](TPageWatcher* w) { w->loadStateChanged(state); });
}

void TPageDocument::contentsChanged(int position, int removed, int added) {
    Q_UNUSED(removed);
    // The page offsets of the change: where it starts stands as before, what it added is measured
    // in the new text, and what it removed follows from the lengths before and after.
    const int before = length_;
    length_ = length();
    if (watchers_.empty())
        return;
    const int end = std::min(position + added, document_->characterCount() - 1);
    const int offset = offsetFromPosition(position);
    const int addedOffsets = offsetFromPosition(end) - offset;
    const int removedOffsets = std::max(0, before - length_ + addedOffsets);
    tell([&](TPageWatcher* w) { w->pageChanged(offset, removedOffsets, addedOffsets); });
}

int blockStartOffset(const QTextBlock& block) {
    const TPageDocument* page = TPageDocument::of(block.document());
    const int n = block.blockNumber();
    return block.position() + n - (page ? 2 * page->continuationsUpTo(n) : 0);
}

bool lineBreakAfter(const QTextBlock& block) {
    const TPageDocument* page = TPageDocument::of(block.document());
    return block.next().isValid() && !(page && page->continuesLine(block.blockNumber() + 1));
}

QString rawTextOf(const QTextDocument& document) {
    const TPageDocument* page = TPageDocument::of(&document);
    return page ? page->rawText() : document.toRawText();
}

namespace {

int continuationsUpTo(const QTextDocument& document, int block) {
    const TPageDocument* page = TPageDocument::of(&document);
    return page ? page->continuationsUpTo(block) : 0;
}

} // namespace

int pageOffsetOf(const QTextDocument& document, int position) {
    const QTextBlock block = document.findBlock(position);
    const int number = block.isValid() ? block.blockNumber() : document.blockCount() - 1;
    return position + number - 2 * continuationsUpTo(document, number);
}

int documentPositionOf(const QTextDocument& document, int offset) {
    if (offset <= 0)
        return 0;
    // The last block whose page offset is at or before the offset.
    int lo = 0, hi = document.blockCount() - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (blockStartOffset(document.findBlockByNumber(mid)) <= offset)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock b = document.findBlockByNumber(lo);
    // An offset inside a CR LF pair or past the end lands at the end of the line.
    return b.position() + std::min(offset - blockStartOffset(b), b.length() - 1);
}

int pageLengthOf(const QTextDocument& document) {
    const int continuations = continuationsUpTo(document, INT_MAX);
    const int breaks = document.blockCount() - 1 - continuations;
    return document.characterCount() - 1 - continuations + breaks;
}

int pageLineCountOf(const QTextDocument& document) {
    return document.blockCount() - continuationsUpTo(document, INT_MAX);
}
