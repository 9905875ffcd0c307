#include "editor/ColMemo.h"

#include "platform/QtColors.h"
#include "platform/core/Cp1252.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

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
    setPlainText(toPageText(text));
    document()->setModified(false);
}

void TColorMemo::Clear() {
    clear();
    document()->setModified(false);
}

int TColorMemo::LineCount() const { return Lines().size(); }

QStringList TColorMemo::Lines() const {
    QStringList lines;
    const bool wrap = WordWrap();
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        const QTextLayout* layout = b.layout();
        if (!wrap || !layout || layout->lineCount() <= 1) {
            lines << text;
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

bool TColorMemo::Modified() const { return document()->isModified(); }
void TColorMemo::SetModified(bool modified) { document()->setModified(modified); }

void TColorMemo::SetEditorFont(const TFontSpec& font) {
    font_ = font;
    QFont f(font.name);
    f.setPointSize(std::max(1, font.size));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::Text, toQColor(font.color, QPalette()));
    setPalette(p);
}

bool TColorMemo::WordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }

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
