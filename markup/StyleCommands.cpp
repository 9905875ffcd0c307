#include "markup/StyleCommands.h"

#include "document/PageText.h"
#include "editor/ColMemo.h"
#include "markup/core/PageMarkup.h"

#include <string>

namespace {

// The editor holds only page characters, so these conversions are exact for its text.
std::string toPage(const QString& text) {
    return pagetext::toBytes(text);
}

QString fromPage(std::string_view bytes) {
    return pagetext::fromBytes(bytes);
}

void wrapPair(TColorMemo& memo, const markup::TCodePair& pair) {
    style::wrapAndReselect(memo, pair.opening, pair.closing);
}

} // namespace

namespace style {

void wrapAndReselect(TColorMemo& memo, std::string_view opening, std::string_view closing) {
    const markup::TWrapResult w = markup::wrapAndReselect(toPage(memo.SelText()), opening, closing);
    memo.ReplaceSel(fromPage(w.text));
    memo.SetSelStart(memo.SelStart() + w.selStartFromCaret);
    memo.SetSelLength(w.selLength);
}

void bold(TColorMemo& memo) {
    wrapPair(memo, markup::kBold);
}
void italic(TColorMemo& memo) {
    wrapPair(memo, markup::kItalic);
}
void underlined(TColorMemo& memo) {
    wrapPair(memo, markup::kUnderlined);
}
void strikeout(TColorMemo& memo) {
    wrapPair(memo, markup::kStrikeout);
}
void inverseVideo(TColorMemo& memo) {
    wrapPair(memo, markup::kInverseVideo);
}
void center(TColorMemo& memo) {
    wrapPair(memo, markup::kCentred);
}
void tab(TColorMemo& memo) {
    wrapPair(memo, markup::kTab);
}
void variable(TColorMemo& memo) {
    wrapPair(memo, markup::kVariable);
}
void target(TColorMemo& memo) {
    wrapPair(memo, markup::kTargetMark);
}

void fontSize(TColorMemo& memo, const QString& sizeText) {
    wrapAndReselect(memo, markup::fontSizeOpening(toPage(sizeText)), markup::kFontSize.closing);
    memo.setFocus(Qt::OtherFocusReason);
}

void fontColor(TColorMemo& memo, int colorNumber) {
    if (!markup::isColorNumber(colorNumber))
        return;
    wrapAndReselect(memo, markup::fontColorOpening(colorNumber), markup::kFontColor.closing);
}

void linkToTarget(TColorMemo& memo) {
    memo.ReplaceSel(fromPage(markup::targetLink(toPage(memo.SelText()))));
}

} // namespace style
