#include "app/FindCommands.h"

#include "document/PageDocument.h"
#include "editor/ColMemo.h"

#include <QTextBlock>
#include <QTextCursor>

const QString TFindCommands::kNotFound = QStringLiteral("Not found");
const QString TFindCommands::kWrappedToTop = QStringLiteral("Continued from the top");
const QString TFindCommands::kWrappedToBottom = QStringLiteral("Continued from the bottom");

TFindCommands::TFindCommands(TColorMemo& memo)
    : memo_(memo), documentSearch_(memo.Page()), count_(memo.Page(), documentSearch_) {}

void TFindCommands::setSearch(const QString& needle, TSearchOptions options) {
    search_ = TTextSearch(needle, options);
    count_.setSearch(search_);
    if (marksShown_)
        memo_.SetMatchMarks(search_);
}

void TFindCommands::setMarksShown(bool shown) {
    marksShown_ = shown;
    memo_.SetMatchMarks(shown ? search_ : TTextSearch());
}

QString TFindCommands::find(int position, bool forward) {
    if (search_.isEmpty())
        return {};
    const TDocumentSearch::TFound found = documentSearch_.find(search_, position, forward);
    if (!found.Match.found())
        return kNotFound;
    QTextCursor c(memo_.document());
    c.setPosition(static_cast<int>(found.Match.Start));
    c.setPosition(static_cast<int>(found.Match.end()), QTextCursor::KeepAnchor);
    memo_.SetTextCursorInView(c);
    if (!found.Wrapped)
        return {};
    return forward ? kWrappedToTop : kWrappedToBottom;
}

QString TFindCommands::findAsTyped() {
    return find(memo_.textCursor().selectionStart(), true);
}

QString TFindCommands::findNext() {
    return find(memo_.textCursor().selectionEnd(), true);
}

QString TFindCommands::findPrevious() {
    return find(memo_.textCursor().selectionStart(), false);
}

QString TFindCommands::replace(const QString& with) {
    if (search_.isEmpty())
        return {};
    if (selectionIsMatch())
        memo_.ReplaceSel(with);
    return findNext();
}

bool TFindCommands::selectionIsMatch() const {
    // The selection and a character on each side for the whole-word test: no copy of the page.
    const QTextCursor c = memo_.textCursor();
    const TPageDocument& page = memo_.Page();
    const int start = page.textPosition(c.selectionStart());
    const int end = page.textPosition(c.selectionEnd());
    if (end - start != search_.needle().size())
        return false;
    const int from = std::max(0, start - 1);
    const int to = std::min(page.textPosition(memo_.document()->characterCount() - 1), end + 1);
    const QString window = page.rawText(page.documentPosition(from), page.documentPosition(to));
    const TTextMatch m = search_.next(window, start - from, end - from);
    return m.Start == start - from && m.end() == end - from;
}

QString TFindCommands::replaceAll(const QString& with) {
    if (search_.isEmpty())
        return {};
    const QTextCursor c = memo_.textCursor();
    int from = 0, to = memo_.document()->characterCount() - 1;
    if (c.hasSelection() && memo_.SelText().contains(u'\n')) {
        from = c.selectionStart();
        to = c.selectionEnd();
    }
    const int n = documentSearch_.replaceAll(search_, from, to, toPageText(with));
    if (n == 0)
        return kNotFound;
    return QStringLiteral("%1 replaced").arg(n);
}

void TFindCommands::close() {
    count_.stop();
    setMarksShown(false);
    documentSearch_.release();
}

QString TFindCommands::selectionForField() const {
    const QTextCursor c = memo_.textCursor();
    if (!c.hasSelection())
        return {};
    const QString text = memo_.SelText();
    return text.contains(u'\n') ? QString() : text;
}

QString TFindCommands::countText() const {
    if (!count_.known() || count_.total() == 0)
        return {};
    const QTextCursor c = memo_.textCursor();
    const int number = c.hasSelection() ? count_.numberAt(c.selectionStart()) : 0;
    if (number > 0)
        return QStringLiteral("%1 of %2").arg(number).arg(count_.total());
    return count_.total() == 1 ? QStringLiteral("1 match")
                               : QStringLiteral("%1 matches").arg(count_.total());
}
