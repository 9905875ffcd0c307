// The editor's text: selection, whole text and lines, read and written in CR LF offsets and
// without the cuts of long lines' display blocks.
#include "editor/ColMemo.h"

#include "document/PageDocument.h"

#include <QFontMetrics>
#include <QTextBlock>
#include <QTextLayout>

#include <climits>

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
    const QTextCursor c = textCursor();
    QString t = page_->rawText(c.selectionStart(), c.selectionEnd());
    t.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    return t;
}

QString TColorMemo::Text() const {
    return page_->text();
}

void TColorMemo::SetText(const QString& text) {
    loading_ = true;
    SetPageText(toPageText(text));
    loading_ = false;
    page_->setModified(false);
}

void TColorMemo::SetPageText(const QString& page) {
    // The editor's own way resets the view too; long lines go in through the page's display
    // blocks.
    if (!TPageDocument::hasLongLine(page)) {
        setPlainText(page);
        return;
    }
    setPlainText(QString());
    page_->setPageText(page);
    setTextCursor(QTextCursor(document()));
}

void TColorMemo::Clear() {
    clear();
    page_->setModified(false);
}

int TColorMemo::LineCount() const {
    return Lines().size();
}

QPoint TColorMemo::CaretLineColumn() const {
    const TPageDocument::TLineColumn lc = page_->lineColumn(textCursor().position());
    return {lc.column + 1, lc.line + 1};
}

int TColorMemo::TextLineCount() const {
    return adapter_.logicalLineCount();
}

QTextCursor TColorMemo::LineStart(int line) const {
    return QTextCursor(document()->findBlockByNumber(page_->firstBlockOfLine(line)));
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
        if (!wrap && page_->continuesLine(b.blockNumber()) && !lines.isEmpty()) {
            lines.back() += text; // the rest of a long line
            continue;
        }
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
