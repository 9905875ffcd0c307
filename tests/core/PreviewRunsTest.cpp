// The preview's reading of the markup. tests/core/data/preview holds sample pages (*.txt) and
// beside each the paragraphs expected of it (*.preview: a paragraph a line with its alignment,
// indent and tab stops, then its runs: source offset in the page's CR LF text, length, shown text
// and style). After a deliberate change of the reading, write them anew with
//
//     LARKPAD_REGENERATE_GOLDEN=1 build/tests/test_core --gtest_filter='PreviewGolden.*'
//
// and read the diff of the .preview files before committing it.

#include "markup/core/PreviewRuns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace markup;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The page as the editor holds it: line breaks as CR LF, whatever the checkout made of them.
std::string pageText(const std::string& file) {
    std::string out;
    for (char c : file) {
        if (c == '\r')
            continue;
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string styleText(const TPreviewStyle& s) {
    static const std::pair<std::uint16_t, const char*> names[] = {
        {kPreviewBold, "bold"},        {kPreviewItalic, "italic"},    {kPreviewUnderlined, "under"},
        {kPreviewStrikeout, "struck"}, {kPreviewInverse, "inverse"},  {kPreviewLink, "link"},
        {kPreviewTarget, "target"},    {kPreviewVariable, "variable"}};
    std::string out;
    for (const auto& [flag, name] : names)
        if (s.flags & flag)
            out += std::string(out.empty() ? "" : " ") + name;
    if (s.size >= 0)
        out += (out.empty() ? "size=" : " size=") + std::to_string(s.size);
    if (s.color >= 0)
        out += (out.empty() ? "color=" : " color=") + std::to_string(s.color);
    return out.empty() ? "plain" : out;
}

std::string paragraphText(const TPreviewParagraph& p, std::string_view line, int lineStart) {
    std::string out = p.centred ? "centred" : "left";
    if (p.indent)
        out += " indent=" + std::to_string(p.indent);
    for (std::size_t k = 0; k < p.tabStops.size(); ++k)
        out += (k ? "," : " tabs=") + std::to_string(p.tabStops[k]);
    out += '\n';
    for (const TPreviewRun& r : p.runs) {
        const std::string shown = r.tab ? "\\t" : std::string(line.substr(r.source, r.length));
        out += "  " + std::to_string(lineStart + r.source) + '+' + std::to_string(r.length) +
               " \"" + shown + "\" " + styleText(r.style) + '\n';
    }
    return out;
}

// The whole page read afresh, in the .preview format.
std::string previewText(const std::string& page) {
    std::string out;
    TPreviewState state;
    int start = 0;
    for (std::string_view line : previewLines(page)) {
        out += paragraphText(readPreviewLine(line, state), line, start);
        start += static_cast<int>(line.size()) + 2;
    }
    return out;
}

std::vector<fs::path> pages() {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(LARKPAD_CORE_TEST_DATA "/preview"))
        if (e.path().extension() == ".txt")
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(PreviewGolden, EveryPageReadsAsRecorded) {
    const bool regenerate = std::getenv("LARKPAD_REGENERATE_GOLDEN") != nullptr;
    const std::vector<fs::path> files = pages();
    ASSERT_GE(files.size(), 6u);
    for (const fs::path& page : files) {
        SCOPED_TRACE(page.filename().string());
        const std::string preview = previewText(pageText(readFile(page)));
        fs::path expected = page;
        expected.replace_extension(".preview");
        if (regenerate) {
            std::ofstream(expected, std::ios::binary) << preview;
            continue;
        }
        ASSERT_TRUE(fs::exists(expected)) << "no " << expected.filename();
        EXPECT_EQ(preview, readFile(expected));
    }
}

// Shown text and the way back: every shown character is the source byte it maps to, and a caret
// in the source finds the shown character it stands before.
TEST(PreviewRuns, ShownCharactersMapToTheirSource) {
    struct Case {
        const char* line;
        const char* shown;
        int source; ///< of shown character 1
        int caret;  ///< source byte whose shown place is asked
        int shownAt;
    } cases[] = {
        {"^BHello^b world", "Hello world", 3, 9, 5}, // caret on "^b": before " world"
        {"^P15 apples", " apples", 5, 0, 0},         // caret before the code: first shown
        {"a^T8b^t", "a\tb", 1, 4, 2},                // the tab maps to its "^T"
        {"^LGo=GotoPage 2^l x", "Go x", 3, 6, 2},    // action text: the place after the link
        {"[v] ^Qx", "[v] ^Qx", 1, 5, 5},             // variables and unknown codes as typed
        {"", "", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TPreviewState state;
        const TPreviewParagraph p = readPreviewLine(c.line, state);
        const std::string shown = p.text(c.line);
        EXPECT_EQ(shown, c.shown);
        if (shown.size() > 1) {
            EXPECT_EQ(p.sourceOf(1), c.source);
        }
        for (int k = 0; k < static_cast<int>(shown.size()); ++k) {
            if (shown[static_cast<std::size_t>(k)] != '\t') {
                EXPECT_EQ(c.line[p.sourceOf(k)], shown[static_cast<std::size_t>(k)]) << k;
            }
        }
        EXPECT_EQ(p.shownAt(c.caret), c.shownAt);
    }
}

// A line past what the preview shows: the cut paragraph is the start of the whole one, bounded
// in characters and runs, hands on the same state, and maps the place past it to the cut.
TEST(PreviewRuns, AVeryLongLineIsCutButHandsOnItsState) {
    std::string plain(3 * kPreviewMaxShown, 'a');
    std::string codes;
    while (codes.size() < 200000)
        codes += "^Bb^b^P4c^p^T4t";
    for (const std::string& body : {plain, codes, std::string("x^I") + plain + "^C"}) {
        TPreviewState wholeState, cutState;
        const TPreviewParagraph whole = readPreviewLine(body, wholeState);
        const TPreviewParagraph cut = readPreviewLine(body, cutState, kPreviewMaxShown);
        EXPECT_EQ(whole.cut, -1);
        ASSERT_GE(cut.cut, 0);
        EXPECT_TRUE(wholeState == cutState);
        EXPECT_LE(cut.length(), kPreviewMaxShown);
        EXPECT_LE(static_cast<int>(cut.runs.size()), kPreviewMaxRuns);
        const std::string shown = cut.text(body);
        EXPECT_EQ(whole.text(body).substr(0, shown.size()), shown);
        EXPECT_EQ(cut.sourceOf(cut.length()), cut.cut);
        EXPECT_EQ(cut.shownAt(static_cast<int>(body.size()) - 1), cut.length());
        EXPECT_EQ(cut.tabStops.size(),
                  static_cast<std::size_t>(std::count(shown.begin(), shown.end(), '\t')));
    }
    TPreviewState state;
    EXPECT_EQ(readPreviewLine("short ^Bline^b", state, kPreviewMaxShown).cut, -1);
}

TEST(PreviewRuns, LinksLeadToTargetsAndWebAddressesOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {":Intro", "#Intro"},
        {" : The End ", "#The End"},
        {":", ""},
        {"InternetLink \"https://a.org/b\"", "https://a.org/b"},
        {"InternetLink \"www.a.org\"", "http://www.a.org"},
        {"InternetLink \"http://www.\"", ""},
        {"InternetLink \"file:///etc\"", ""},
        {"GotoPage \"2\"", ""},
        {"InternetLinks \"http://a\"", ""}};
    for (const auto& [action, href] : cases)
        EXPECT_EQ(previewLinkHref(action), href) << action;
}

TEST(PreviewRuns, LinkActionIsFoundFromItsVisibleText) {
    struct Case {
        const char* page;
        int line;
        int source; ///< a byte of the link's visible text on that line
        const char* action;
    } cases[] = {
        {"^LPlay=PlaySoundFile \"a.wav\"^l", 0, 3, "PlaySoundFile \"a.wav\""},
        {"^LVisible\nover=GotoPage \"2\"^l", 0, 4, "GotoPage \"2\""},
        {"^LVisible\nover=GotoPage \"2\"^l", 1, 1, "GotoPage \"2\""},
        {"^LA=one\ntwo^l", 0, 2, "one two"},
        {"^LOuter ^LInner=x^l=y^l", 0, 3, ""}, // the inner "^l" ends both
        {"^LOuter ^LInner=x^l=y^l", 0, 10, "x"},
        {"^LNo action^l =x", 0, 3, ""},
        {"^LEmpty=^l", 0, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        const std::string page = c.page;
        const std::vector<std::string_view> lines = previewLines(page);
        TPreviewState state;
        for (int k = 0; k < c.line; ++k)
            readPreviewLine(lines[static_cast<std::size_t>(k)], state);
        const auto line = [&](int k) { return lines[static_cast<std::size_t>(k)]; };
        EXPECT_EQ(previewLinkAction(line, static_cast<int>(lines.size()), c.line, state, c.source),
                  c.action);
    }
}

// Spans of one kind opened deeper than the state keeps still close back to the values around them,
// as far as the innermost ones go.
TEST(PreviewRuns, DeepNestingKeepsTheInnermostValues) {
    std::string line;
    for (int k = 0; k < 20; ++k)
        line += "^P" + std::to_string(k % 16) + "x";
    TPreviewState state;
    readPreviewLine(line, state);
    for (int k = 19; k > 19 - kPreviewStack; --k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(state.style().color, k % 16);
        readPreviewLine("^p", state);
    }
    for (int k = 19 - kPreviewStack; k >= 0; --k)
        readPreviewLine("^p", state);
    EXPECT_EQ(state.style().color, -1);
    EXPECT_TRUE(state == TPreviewState());
}

// Pages built of markup pieces, edited at random: after every edit the lines read again equal the
// page read afresh, paragraph by paragraph, and so do the states the lines end in.
TEST(PreviewRuns, IncrementalUpdatesEqualAFreshReading) {
    const char* pieces[] = {"^B",  "^b",  "^I", "^i", "^C",    "^c", "^T8",  "^t",   "^F14", "^F",
                            "^f",  "^P4", "^P", "^p", "^L",    "=",  "^l",   "^M",   "^m",   "[v]",
                            "[",   "]",   "^Q", "^",  "text ", "a",  "\r\n", "\r\n", "\n",   "\r",
                            "12 ", "^R",  "^r", "^X", "^x",    "^U", "^u",   ":Here"};
    const auto pieceCount = std::size(pieces);
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const auto pick = [&](std::size_t n) {
            return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
        };
        std::string page;
        for (int k = 0; k < 200; ++k)
            page += pieces[pick(pieceCount)];

        std::vector<std::string_view> lines = previewLines(page);
        const auto reader = [&](int k) { return lines[static_cast<std::size_t>(k)]; };
        std::vector<std::string> shown;
        std::vector<std::string>* into = &shown;
        const auto sink = [&](int k, std::string_view text, const TPreviewParagraph& p) {
            (*into)[static_cast<std::size_t>(k)] = paragraphText(p, text, 0);
        };
        TPreviewLines model;
        shown.resize(lines.size());
        model.reset(static_cast<int>(lines.size()), reader, sink);

        for (int step = 0; step < 100; ++step) {
            const std::size_t offset = pick(page.size() + 1);
            const std::size_t removed = std::min(pick(12), page.size() - offset);
            std::string added;
            for (std::size_t k = pick(4); k > 0; --k)
                added += pieces[pick(pieceCount)];
            const auto breaks = [&](std::size_t from, std::size_t n) {
                return static_cast<int>(std::count(page.begin() + static_cast<long>(from),
                                                   page.begin() + static_cast<long>(from + n),
                                                   '\n'));
            };
            const int first = breaks(0, offset);
            const int removedLines = 1 + breaks(offset, removed);
            const int addedLines =
                1 + static_cast<int>(std::count(added.begin(), added.end(), '\n'));
            page.replace(offset, removed, added);
            lines = previewLines(page);

            // The paragraphs move as the lines do; then the model rewrites what changed, some of
            // it later: the lines past the limit, a few at a time.
            shown.erase(shown.begin() + first, shown.begin() + first + removedLines);
            shown.insert(shown.begin() + first, static_cast<std::size_t>(addedLines),
                         std::string());
            const int limit = static_cast<int>(pick(4)) == 0 ? 1 << 30 : static_cast<int>(pick(4));
            const TPreviewLines::TChange change =
                model.update(first, removedLines, addedLines, reader, sink, limit);
            ASSERT_EQ(change.first, first);
            ASSERT_GE(change.added, addedLines);
            ASSERT_EQ(change.added - change.removed, addedLines - removedLines);
            ASSERT_EQ(model.lineCount(), static_cast<int>(lines.size()));
            model.sweep(static_cast<int>(pick(3)), reader, sink);

            // Swept to the end, a copy reads as the page read afresh.
            TPreviewLines swept = model;
            std::vector<std::string> sweptShown = shown;
            into = &sweptShown;
            swept.sweep(1 << 30, reader, sink);
            into = &shown;
            ASSERT_EQ(swept.pending(), -1);
            TPreviewState fresh;
            for (std::size_t k = 0; k < lines.size(); ++k) {
                const TPreviewParagraph p = readPreviewLine(lines[k], fresh);
                ASSERT_EQ(sweptShown[k], paragraphText(p, lines[k], 0)) << "step " << step;
                ASSERT_TRUE(swept.after(static_cast<int>(k)) == fresh) << "step " << step;
            }
        }
    }
}

// A key in one line of a long page reads that line again and no other, unless it opens or closes
// a span that the following lines see.
TEST(PreviewRuns, AKeyReadsOnlyTheLinesItChanges) {
    std::string page;
    for (int k = 0; k < 1000; ++k)
        page += "^BBold^b and ^P4colour^p\r\n";
    std::vector<std::string_view> lines = previewLines(page);
    const auto reader = [&](int k) { return lines[static_cast<std::size_t>(k)]; };
    TPreviewLines model;
    model.reset(static_cast<int>(lines.size()), reader);

    constexpr int kLine10 = 10 * 26;
    struct Case {
        int offset;
        const char* typed;
        int reread;
    } cases[] = {
        {kLine10 + 3, "x", 1},       // a letter in bold text
        {kLine10, "^I", 991},        // an opening code never closed: to the end of the page
        {kLine10 + 2, "^i", 991},    // and closed again: the same lines once more
        {kLine10 + 4 + 12, "^b", 1}, // a closing code with nothing open
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const int first = static_cast<int>(std::count(page.begin(), page.begin() + c.offset, '\n'));
        page.insert(static_cast<std::size_t>(c.offset), c.typed);
        lines = previewLines(page);
        int reread = 0;
        model.update(first, 1, 1, reader,
                     [&](int, std::string_view, const TPreviewParagraph&) { ++reread; });
        EXPECT_EQ(reread, c.reread);
    }
}
