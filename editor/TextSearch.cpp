#include "editor/TextSearch.h"

namespace {

QString normalisedNeedle(const QString& needle) {
    QString out;
    out.reserve(needle.size());
    for (qsizetype i = 0; i < needle.size(); ++i) {
        const QChar c = needle[i];
        if (c == u'\r') {
            out += QChar(0x2029);
            if (i + 1 < needle.size() && needle[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n' || c == QChar(0x2028)) {
            out += QChar(0x2029);
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

TTextSearch::TTextSearch(const QString& needle, TSearchOptions options)
    : needle_(normalisedNeedle(needle)), options_(options) {
    matcher_.setPattern(needle_);
    matcher_.setCaseSensitivity(sensitivity());
}

bool TTextSearch::isWholeWord(QStringView text, qsizetype start) const {
    // Only an edge of the needle that is itself part of a word needs a boundary: "^B" as a whole
    // word is found in "x^Bold" no more than "B" would be, but in "x^B" it is.
    const qsizetype end = start + needle_.size();
    const bool left = isWordChar(needle_.front()) && start > 0 && isWordChar(text[start - 1]);
    const bool right = isWordChar(needle_.back()) && end < text.size() && isWordChar(text[end]);
    return !left && !right;
}

TTextMatch TTextSearch::next(QStringView text, qsizetype from, qsizetype to) const {
    if (needle_.isEmpty())
        return {};
    if (to < 0 || to > text.size())
        to = text.size();
    const QStringView range = text.first(to);
    for (qsizetype at = std::max<qsizetype>(0, from); at <= to - needle_.size();) {
        const qsizetype found = matcher_.indexIn(range, at);
        if (found < 0)
            break;
        if (!options_.WholeWord || isWholeWord(text, found))
            return {found, needle_.size()};
        at = found + 1;
    }
    return {};
}

TTextMatch TTextSearch::previous(QStringView text, qsizetype before, qsizetype from) const {
    if (needle_.isEmpty())
        return {};
    before = std::min(before, text.size());
    for (qsizetype at = before - 1; at >= from;) {
        const qsizetype found = text.lastIndexOf(QStringView(needle_), at, sensitivity());
        if (found < from)
            break;
        if (!options_.WholeWord || isWholeWord(text, found))
            return {found, needle_.size()};
        at = found - 1;
    }
    return {};
}

std::vector<TTextMatch> TTextSearch::all(QStringView text, qsizetype from, qsizetype to) const {
    std::vector<TTextMatch> matches;
    for (TTextMatch m = next(text, from, to); m.found(); m = next(text, m.end(), to))
        matches.push_back(m);
    return matches;
}

qsizetype TTextSearch::count(QStringView text, qsizetype from, qsizetype to) const {
    qsizetype n = 0;
    for (TTextMatch m = next(text, from, to); m.found(); m = next(text, m.end(), to))
        ++n;
    return n;
}

QString TTextSearch::replaced(QStringView text, QStringView with, qsizetype* replaced,
                              qsizetype from, qsizetype to) const {
    if (to < 0 || to > text.size())
        to = text.size();
    from = std::clamp<qsizetype>(from, 0, to);
    QString out;
    qsizetype n = 0, copied = from;
    for (TTextMatch m = next(text, from, to); m.found(); m = next(text, m.end(), to)) {
        if (n == 0)
            out.reserve(to - from);
        out += text.sliced(copied, m.Start - copied);
        out += with;
        copied = m.end();
        ++n;
    }
    if (replaced)
        *replaced = n;
    if (n == 0)
        return text.sliced(from, to - from).toString();
    out += text.sliced(copied, to - copied);
    return out;
}
