#pragma once

#include <QString>
#include <QStringMatcher>
#include <QStringView>

#include <vector>

struct TSearchOptions {
    bool MatchCase = false;
    /// A letter, digit or "_" at an edge of the needle may not touch one in the text.
    bool WholeWord = false;
};

// A found stretch: [Start, Start + Length) in the searched text; Start is -1 when nothing was
// found.
struct TTextMatch {
    qsizetype Start = -1;
    qsizetype Length = 0;
    qsizetype end() const { return Start + Length; }
    bool found() const { return Start >= 0; }
};

// Plain-text search, no patterns: markup codes are text like any other. The searched text
// separates its lines with U+2029, as a QTextDocument's raw text does; line breaks in the needle
// (CR LF, CR, LF, U+2028, U+2029) are turned into U+2029, so a needle without one never matches
// across lines.
class TTextSearch {
public:
    TTextSearch() = default;
    TTextSearch(const QString& needle, TSearchOptions options);

    bool isEmpty() const { return needle_.isEmpty(); }
    const QString& needle() const { return needle_; }
    TSearchOptions options() const { return options_; }
    bool crossesLines() const { return needle_.contains(QChar(0x2029)); }

    // The first match that starts at or after `from` and ends at or before `to` (-1: the text's
    // end). The characters around the match, also outside [from, to), decide a whole word.
    TTextMatch next(QStringView text, qsizetype from, qsizetype to = -1) const;
    // The last match that starts before `before` and at or after `from`.
    TTextMatch previous(QStringView text, qsizetype before, qsizetype from = 0) const;
    // The matches in [from, to), left to right, none overlapping the one before.
    std::vector<TTextMatch> all(QStringView text, qsizetype from = 0, qsizetype to = -1) const;
    qsizetype count(QStringView text, qsizetype from = 0, qsizetype to = -1) const;
    // The text of [from, to) with every match of `all` replaced by `with`; `replaced` receives
    // how many were.
    QString replaced(QStringView text, QStringView with, qsizetype* replaced = nullptr,
                     qsizetype from = 0, qsizetype to = -1) const;

    static bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

private:
    bool isWholeWord(QStringView text, qsizetype start) const;
    Qt::CaseSensitivity sensitivity() const {
        return options_.MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    }

    QString needle_;
    TSearchOptions options_;
    QStringMatcher matcher_;
};
