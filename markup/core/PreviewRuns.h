#pragma once

// The page as readers see it: each page line read into one paragraph of styled runs (alignment,
// indent, tab stops, runs of shown text with their style), with the way back from every shown
// character to the byte of the source it shows. Plain C++, no Qt; the codes come from the one
// scanner (MarkupScan.h).
//
// How the codes read:
//  - "^B", "^I", "^U", "^X", "^R", "^M": bold, italic, underlined, struck out, inverse video,
//    target mark, until the closing code; spans of one kind nest (two "^B" need two "^b").
//  - "^F" and a size in points (1 to kPreviewMaxSize; otherwise the size does not change), "^P"
//    and a colour of the table (0 to 15; otherwise the colour does not change): their closing
//    code goes back to what was in effect before. The number is never shown.
//  - "^C": every line the span touches is centred. "^T" and a number of average character widths
//    (none: 8): a tab to a stop that far in; a line that starts inside the span is indented by it.
//  - "^L" visible text "=" action text "^l": the visible text is a link; the action text is not
//    shown. "[name]": shown as written, as a variable.
//  - "^" and a letter of no code: shown as typed. A closing code with no span open: not shown,
//    no effect. A span never closed runs to the end of the page.

#include "markup/core/MarkupScan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace markup {

inline constexpr int kPreviewMaxSize = 400; ///< the largest "^F" size that the preview takes
inline constexpr int kPreviewDefaultTab = 8;
inline constexpr int kPreviewMaxTab = 200;
inline constexpr int kPreviewStack = 16; ///< nested sizes, colours, tabs remembered
// The background behind a variable's name, wherever the page is shown styled.
inline constexpr TColor kPreviewVariableBackground = colors::rgb(0xE3, 0xEC, 0xFA);
// What the preview shows of one line at most: its shown characters and its runs. The rest of a
// longer line is read for the state it hands on but not shown (its paragraph is cut), so that no
// line holds the window up however long it is; an export shows every line whole.
inline constexpr int kPreviewMaxShown = 10000;
inline constexpr int kPreviewMaxRuns = 1000;
inline constexpr int kPreviewWhole = std::numeric_limits<int>::max();

enum TPreviewFlag : std::uint16_t {
    kPreviewBold = 1,
    kPreviewItalic = 2,
    kPreviewUnderlined = 4,
    kPreviewStrikeout = 8,
    kPreviewInverse = 16,
    kPreviewLink = 32,
    kPreviewTarget = 64,
    kPreviewVariable = 128,
};

struct TPreviewStyle {
    std::uint16_t flags = 0;
    std::int16_t size = -1; ///< points; -1: the base font's
    std::int8_t color = -1; ///< entry of the colour table; -1: the base colour
    bool operator==(const TPreviewStyle&) const = default;
};

// What is open at a place of the page: what a line hands to the next.
struct TPreviewState {
    TScanState scan;
    std::array<std::uint16_t, kCaretCodes.size()> depth{}; ///< open spans, by pair
    // Size, colour and tab of each open span (innermost last), as far as kPreviewStack deep.
    std::array<std::int16_t, kPreviewStack> sizes{};
    std::array<std::int8_t, kPreviewStack> colors{};
    std::array<std::int16_t, kPreviewStack> tabs{};
    bool operator==(const TPreviewState&) const = default;

    TPreviewStyle style() const;
    int tab() const; ///< the tab of the innermost open "^T"; 0: none open
};

struct TPreviewRun {
    int offset = 0; ///< in the paragraph's shown text
    int length = 0;
    int source = 0; ///< in the line: the first shown character's byte; a tab: its "^T"
    TPreviewStyle style;
    bool tab = false; ///< one tab character that no byte of the source is
};

struct TPreviewParagraph {
    std::vector<TPreviewRun> runs;
    bool centred = false;
    int indent = 0;            ///< average character widths before the text
    std::vector<int> tabStops; ///< average character widths from the left, in order of the tabs
    int cut = -1; ///< the line's byte where a cut paragraph stops showing it; -1: shown whole
    int length() const { return runs.empty() ? 0 : runs.back().offset + runs.back().length; }
    // The shown text, taken from the line it was read from.
    std::string text(std::string_view line) const;
    // The line's byte that shown character `at` shows (at the end: after the last one shown).
    int sourceOf(int at) const;
    // The shown character at or after the line's byte `source` (what the caret there is before).
    int shownAt(int source) const;
    // The run that holds shown character `at`, or null.
    const TPreviewRun* runAt(int at) const;
};

// Reads one line (its bytes without the line break) that starts in `state`; state becomes the
// state at the line's end. Past `maxShown` shown characters or kPreviewMaxRuns runs (with a
// limit), the paragraph is cut.
TPreviewParagraph readPreviewLine(std::string_view line, TPreviewState& state,
                                  int maxShown = kPreviewWhole);

// The action text (without its "=") of the link whose visible text holds the line's byte
// `source`: scanned from the line's start in `state`, over the lines that `line` gives from
// `lineIndex` on, up to the link's "^l". Empty when the link has no action text.
std::string previewLinkAction(const std::function<std::string_view(int)>& line, int lineCount,
                              int lineIndex, TPreviewState state, int source);

// Where a link with this action text leads outside the page's view, as a link of a document
// file: "#" and the target's name for a target link (":Name"), the address of an InternetLink
// to the web or to mail; empty for any other action.
std::string previewLinkHref(std::string_view action);

// The page's lines, as the scanner breaks them (LF, the CR of a CR LF dropped).
std::vector<std::string_view> previewLines(std::string_view page);

// The state at every line's end, kept so that an edit reads again only the lines it changes and
// those after them whose incoming state changed.
class TPreviewLines {
public:
    using TLineReader = std::function<std::string_view(int)>;
    using TParagraphSink = std::function<void(int, std::string_view, const TPreviewParagraph&)>;

    TPreviewLines();

    // Paragraphs old [first, first + removed) gave way to new [first, first + added).
    struct TChange {
        int first = 0;
        int removed = 0;
        int added = 0;
    };

    // Paragraphs are cut past maxShown characters (see readPreviewLine).
    explicit TPreviewLines(int maxShown);

    // Reads every line of a page of lineCount lines.
    TChange reset(int lineCount, const TLineReader& line, const TParagraphSink& sink = {});
    // After an edit that made old lines [first, first + removed) new lines [first, first + added):
    // reads those again and the following ones while their incoming state differs, but no more
    // than `limit` of those: the lines after them are left to sweep. Each line read goes to sink.
    // Returns which paragraphs changed.
    TChange update(int first, int removed, int added, const TLineReader& line,
                   const TParagraphSink& sink = {}, int limit = std::numeric_limits<int>::max());
    // Reads `count` more lines after those read so far (a long page is read a slice at a time).
    TChange append(int count, const TLineReader& line, const TParagraphSink& sink = {}) {
        return update(lineCount(), 0, count, line, sink);
    }
    // Lines from pending() on (-1: none) may still hold what they read before an edit above them;
    // sweep reads up to `count` of them again, and stops once their states are what they were.
    int pending() const { return pending_; }
    TChange sweep(int count, const TLineReader& line, const TParagraphSink& sink = {});
    // Forgets the lines from `lines` on.
    void truncate(int lines);

    int lineCount() const { return static_cast<int>(end_.size()); }
    // The state a line starts in, and the state at its end.
    const TPreviewState& before(int line) const;
    const TPreviewState& after(int line) const { return states_[end_[line]]; }

private:
    std::uint32_t intern(const TPreviewState& s, std::uint32_t hint);
    void compact();
    void read(int k, std::uint32_t hint, TPreviewState& state, std::uint32_t& previous,
              const TLineReader& line, const TParagraphSink& sink);
    void markPending(int line);

    std::vector<std::uint32_t> end_;    ///< each line's end state, as an index in states_
    std::vector<TPreviewState> states_; ///< states_[0]: nothing open
    int maxShown_ = kPreviewWhole;
    int pending_ = -1;      ///< the first line that the sweep reads again
    int pendingUntil_ = -1; ///< the sweep reads at least up to this line
};

} // namespace markup
