#include "markup/FrenchSpacing.h"

#include "document/PageDocument.h"
#include "document/PageText.h"
#include "editor/ColMemo.h"
#include "markup/core/Completion.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

constexpr QChar kNoBreakSpace(0x00A0);
constexpr QChar kOpeningQuote(0x00AB);
constexpr QChar kClosingQuote(0x00BB);

} // namespace

TFrenchSpacing::TFrenchSpacing(TColorMemo* memo, QObject* parent) : QObject(parent), memo_(memo) {
    memo_->installEventFilter(this);
}

bool TFrenchSpacing::eventFilter(QObject* watched, QEvent* e) {
    if (!enabled_ || watched != memo_ || e->type() != QEvent::KeyPress || memo_->isReadOnly())
        return false;
    auto* k = static_cast<QKeyEvent*>(e);
    const QString typed = k->text();
    if (typed.size() != 1 || (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    const QChar c = typed[0];
    const bool punctuation = c == ':' || c == ';' || c == '!' || c == '?';
    if (!punctuation && c != kOpeningQuote && c != kClosingQuote && c != ' ')
        return false;
    QTextCursor cursor = memo_->textCursor();
    if (cursor.hasSelection())
        return false;
    const QTextBlock block = cursor.block();
    const int column = cursor.positionInBlock();
    const QTextDocument& text = *memo_->document();
    const QChar before = column > 0 ? text.characterAt(cursor.position() - 1) : QChar();
    const QChar twoBefore = column > 1 ? text.characterAt(cursor.position() - 2) : QChar();
    // The space typed after an opening quote: the no-break space it got stands for it.
    if (c == ' ')
        return before == kNoBreakSpace && twoBefore == kOpeningQuote;
    // A plain space typed before the mark, after a word, becomes the no-break space.
    const bool spaced =
        c != kOpeningQuote && before == ' ' && !twoBefore.isNull() && !twoBefore.isSpace();
    if (punctuation && !before.isLetterOrNumber() && !spaced)
        return false;
    if (c == kClosingQuote && (before.isNull() || before.isSpace()) && !spaced)
        return false;
    if (markup::inActionText(pagetext::toPageBytes(block.text().left(column)), column))
        return false;
    // The character as typing puts it in, then the space as a step of its own.
    TPageDocument& page = memo_->Page();
    cursor.beginEditBlock();
    page.insertText(cursor, typed);
    cursor.endEditBlock();
    const int after = cursor.position();
    QTextCursor space(page.textDocument());
    space.setPosition(c == kOpeningQuote ? after : after - 1);
    if (spaced && c != kOpeningQuote)
        space.setPosition(after - 2, QTextCursor::KeepAnchor);
    space.beginEditBlock();
    page.insertText(space, QString(kNoBreakSpace));
    space.endEditBlock();
    cursor.setPosition(spaced ? after : after + 1);
    memo_->setTextCursor(cursor);
    memo_->ensureCursorVisible();
    return true;
}
