// The editor's text: selection, whole text and lines, read and written in CR LF offsets and
// without the cuts of long lines' display blocks.
#include "editor/ColMemo.h"

#include "platform/DisplayCuts.h"
#include "platform/core/Cp1252.h"

#include <QFontMetrics>
#include <QTextBlock>
#include <QTextLayout>

#include <climits>

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
    QString t = cuts_->rawText(c.selectionStart(), c.selectionEnd());
    t.replace(QChar(0x2029), QStringLiteral("\r\n"));
    return t;
}

QString TColorMemo::Text() const {
    QString t = cuts_->rawText();
    t.replace(QChar(0x2029), QStringLiteral("\r\n"));
    return t;
}

void TColorMemo::SetText(const QString& text) {
    loading_ = true;
    SetPageText(toPageText(text));
    loading_ = false;
    document()->setModified(false);
}

void TColorMemo::SetPageText(const QString& page) {
    // Long lines go in as display blocks (see TDisplayCuts), still out of the undo history.
    if (!TDisplayCuts::hasLongLine(page)) {
        setPlainText(page);
        return;
    }
    setPlainText(QString());
    document()->setUndoRedoEnabled(false);
    QTextCursor c(document());
    cuts_->insertText(c, page);
    document()->setUndoRedoEnabled(true);
    setTextCursor(QTextCursor(document()));
}

void TColorMemo::Clear() {
    clear();
    document()->setModified(false);
}

int TColorMemo::LineCount() const {
    return Lines().size();
}

QPoint TColorMemo::CaretLineColumn() const {
    const TDisplayCuts::TLineColumn lc = cuts_->lineColumn(textCursor().position());
    return {lc.column + 1, lc.line + 1};
}

int TColorMemo::TextLineCount() const {
    return adapter_.logicalLineCount();
}

QTextCursor TColorMemo::LineStart(int line) const {
    return QTextCursor(document()->findBlockByNumber(cuts_->index().firstBlockOfLine(line)));
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
        if (!wrap && cuts_->index().isCut(b.blockNumber()) && !lines.isEmpty()) {
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
