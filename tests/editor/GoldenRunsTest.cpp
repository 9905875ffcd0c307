// The colouring of sample pages, compared with the runs expected of them: tests/editor/data holds
// the pages (*.txt) and beside each its runs (*.runs: one run a line, "offset length colour",
// offsets in the page's CR LF text). The runs come from the program's own rule set through the
// pass, as the editor paints them. After a deliberate change of colouring, write them anew with
//
//     LARKPAD_REGENERATE_GOLDEN=1 build/tests/test_editor --gtest_filter='GoldenRuns.*'
//
// and read the diff of the .runs files before committing it.

#include "editor/core/DrawPass.h"
#include "markup/core/PageMarkup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

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

struct Pass {
    TDrawRules rules;
    TPassBuffers buffers;
    Pass() {
        markup::applyEditorRuleSet(rules.Add());
        PrepareRules(rules);
    }
    // The runs of the region [start, end) of text, in the .runs format. The region ends at a NUL,
    // as the editor hands it over.
    std::string runs(const std::string& text, int start, int end) {
        const std::string region = text.substr(0, static_cast<size_t>(end));
        TPassInput in;
        in.Text = region.c_str();
        in.ScanStart = start;
        in.ScanEnd = end;
        const int n = RunPass(rules, in, buffers);
        std::string out;
        for (int i = 0; i < n; ++i) {
            const TKeyDescr& k = buffers.Keys[i];
            const auto name = colors::colorName(k.Color);
            out += std::to_string(k.StartPos) + ' ' + std::to_string(k.EndPos - k.StartPos + 1) +
                   ' ' + (name ? *name : std::to_string(k.Color)) + '\n';
        }
        return out;
    }
};

std::vector<fs::path> pages() {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(LARKPAD_TEST_DATA))
        if (e.path().extension() == ".txt")
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(GoldenRuns, EveryPageColoursAsRecorded) {
    const bool regenerate = std::getenv("LARKPAD_REGENERATE_GOLDEN") != nullptr;
    const std::vector<fs::path> files = pages();
    ASSERT_GE(files.size(), 5u) << LARKPAD_TEST_DATA;
    Pass pass;
    for (const fs::path& page : files) {
        SCOPED_TRACE(page.filename().string());
        const std::string text = pageText(readFile(page));
        const std::string runs = pass.runs(text, 0, static_cast<int>(text.size()));
        fs::path expected = page;
        expected.replace_extension(".runs");
        if (regenerate) {
            std::ofstream(expected, std::ios::binary) << runs;
            continue;
        }
        ASSERT_TRUE(fs::exists(expected)) << "no " << expected.filename();
        EXPECT_EQ(runs, readFile(expected));
    }
}

// No key of the program's rule set crosses a line break, so the editor repaints a few lines by
// scanning only those: line by line, the pass must colour exactly what the whole page gets.
TEST(GoldenRuns, LineByLineEqualsWholePage) {
    Pass pass;
    for (const fs::path& page : pages()) {
        SCOPED_TRACE(page.filename().string());
        const std::string text = pageText(readFile(page));
        std::string pieces;
        for (size_t start = 0; start <= text.size();) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            pieces += pass.runs(text, static_cast<int>(start), static_cast<int>(end));
            start = end + 2;
        }
        EXPECT_EQ(pieces, pass.runs(text, 0, static_cast<int>(text.size())));
    }
}
