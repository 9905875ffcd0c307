// The markup checker. Golden pages in data/check: each NAME.page (CR LF, page code page) has its
// expected findings in NAME.findings, one per line. After a deliberate change of the checker,
// write the files anew and review the difference with git:
//
//     LARKPAD_REGENERATE_FINDINGS=1 build/tests/test_markup --gtest_filter='MarkupCheck.Golden*'
//
// File arguments under /larkpad-golden/ name files in data/check.
#include "markup/core/MarkupCheck.h"
#include "markup/core/Actions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

using namespace markup;
namespace fs = std::filesystem;

namespace {

const fs::path kGolden = fs::path(LARKPAD_TEST_DATA) / "check";

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Checks a page and looks its files up at once, as the check panel does in its worker.
TCheckResult checkWithFiles(std::string_view page) {
    TCheckResult r = checkMarkup(page);
    const std::string prefix = "/larkpad-golden/";
    for (const TFileRef& ref : r.files) {
        std::string path = ref.path;
        if (path.starts_with(prefix))
            path = kGolden.string() + "/" + path.substr(prefix.size());
        const TFileState state = pageFileExists(path) ? TFileState::Present : TFileState::Missing;
        if (auto f = fileFinding(ref, state))
            addFinding(r, *f);
    }
    return r;
}

std::string findingsText(const TCheckResult& r) {
    std::string s;
    for (const TFinding& f : r.findings)
        s += findingLine(f) + "\n";
    return s;
}

} // namespace

TEST(MarkupCheck, GoldenPages) {
    const bool regenerate = std::getenv("LARKPAD_REGENERATE_FINDINGS") != nullptr;
    int pages = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(kGolden)) {
        if (e.path().extension() != ".page")
            continue;
        ++pages;
        const std::string page = readAll(e.path());
        const std::string actual = findingsText(checkWithFiles(page));
        fs::path expectedFile = e.path();
        expectedFile.replace_extension(".findings");
        if (regenerate) {
            std::ofstream(expectedFile, std::ios::binary) << actual;
            continue;
        }
        ASSERT_TRUE(fs::exists(expectedFile)) << expectedFile;
        EXPECT_EQ(readAll(expectedFile), actual) << "for " << e.path().filename();
    }
    EXPECT_GE(pages, 10);
}

// Every finding lies inside the page and is placed on its line and column; the list is in page
// order; the same page with LF line breaks gives the same findings on the same lines.
TEST(MarkupCheck, GoldenFindingsArePlacedInThePage) {
    for (const fs::directory_entry& e : fs::directory_iterator(kGolden)) {
        if (e.path().extension() != ".page")
            continue;
        const std::string page = readAll(e.path());
        const TCheckResult r = checkMarkup(page);
        int last = 0;
        for (const TFinding& f : r.findings) {
            EXPECT_GE(f.offset, last);
            last = f.offset;
            EXPECT_LE(f.offset + f.length, static_cast<int>(page.size())) << findingLine(f);
            const std::string before = page.substr(0, static_cast<size_t>(f.offset));
            EXPECT_EQ(f.line, 1 + std::count(before.begin(), before.end(), '\n'));
            const size_t nl = before.rfind('\n');
            EXPECT_EQ(f.column,
                      f.offset - (nl == std::string::npos ? 0 : static_cast<int>(nl) + 1) + 1);
        }
        std::string lf = page;
        std::erase(lf, '\r');
        const TCheckResult r2 = checkMarkup(lf);
        ASSERT_EQ(r.findings.size(), r2.findings.size()) << e.path().filename();
        for (size_t k = 0; k < r.findings.size(); ++k) {
            EXPECT_EQ(r.findings[k].line, r2.findings[k].line);
            EXPECT_EQ(r.findings[k].message, r2.findings[k].message);
        }
    }
}

// The typing walk-through: an open bold is a problem until its closing code is typed.
TEST(MarkupCheck, OpenBoldGoesAwayWhenClosed) {
    TCheckResult r = checkMarkup("^BHello");
    ASSERT_EQ(r.findings.size(), 1u);
    EXPECT_EQ(findingLine(r.findings[0]),
              "1:1+2 problem: \"^B\" opens a span that is never closed (no \"^b\" follows)");
    EXPECT_EQ(countsText(r), "1 problem");
    r = checkMarkup("^BHello^b");
    EXPECT_TRUE(r.findings.empty());
    EXPECT_EQ(countsText(r), "no findings");
}

TEST(MarkupCheck, KeepsTheFirstFindingsInPageOrder) {
    // Unclosed codes are found at the page's end but belong at their start.
    std::string page;
    for (int k = 0; k < 50; ++k)
        page += "^B x ^q ";
    const TCheckResult r = checkMarkup(page, 10);
    ASSERT_EQ(r.findings.size(), 10u);
    EXPECT_TRUE(r.truncated);
    for (size_t k = 0; k + 1 < r.findings.size(); ++k)
        EXPECT_LE(r.findings[k].offset, r.findings[k + 1].offset);
    EXPECT_EQ(r.findings[0].offset, 0);
    EXPECT_EQ(r.findings[1].offset, 5);
    EXPECT_EQ(countsText(r), "5+ problems, 5+ warnings");
}

TEST(MarkupCheck, FileFindingsJoinInPageOrder) {
    const std::string page = "^B ^LPlay=PlaySoundFile \"/no/such/dir/a.wav\" \"x\"^l";
    TCheckResult r = checkMarkup(page);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.files[0].path, "/no/such/dir/a.wav");
    EXPECT_EQ(r.files[0].where.column, 26);
    addFinding(r, *fileFinding(r.files[0], TFileState::NoAnswer));
    ASSERT_EQ(r.findings.size(), 2u);
    EXPECT_EQ(r.findings[0].offset, 0);
    EXPECT_EQ(findingLine(r.findings[1]),
              "1:26+18 note: no answer in time on whether the file exists");
    EXPECT_FALSE(fileFinding(r.files[0], TFileState::Present));
    EXPECT_EQ(countsText(r), "1 problem, 1 note");
}

// Long runs of one kind of markup stay linear and keep their pairs straight.
TEST(MarkupCheck, DeepNestingAndManyLinks) {
    std::string page;
    for (int k = 0; k < 20000; ++k)
        page += "^B^I";
    for (int k = 0; k < 20000; ++k)
        page += "^i^b";
    for (int k = 0; k < 20000; ++k)
        page += "^Lx=GotoNextPage^l";
    EXPECT_TRUE(checkMarkup(page).findings.empty());
    std::string unclosed;
    for (int k = 0; k < 20000; ++k)
        unclosed += "^Lx=GotoPage \"";
    const TCheckResult r = checkMarkup(unclosed, 1000000);
    EXPECT_EQ(r.count(TLevel::Problem), 20000);
}

// What the action box writes is never a problem or a warning: at most its placeholders are noted,
// and each placeholder of the table is noted somewhere.
TEST(MarkupCheck, WhatTheActionBoxWritesPasses) {
    std::set<std::string> noted;
    for (int i = 0; i < actions::kActionCount; ++i) {
        const std::string link = actions::link("Visible", actions::defaultText(i));
        const TCheckResult r = checkMarkup(link);
        EXPECT_EQ(r.count(TLevel::Problem) + r.count(TLevel::Warning), 0) << link;
        for (const TFinding& f : r.findings)
            noted.insert(link.substr(static_cast<size_t>(f.offset), static_cast<size_t>(f.length)));
        if (actions::actionAt(i).assistant != actions::TAssistant::None) {
            const std::string assisted =
                actions::link("", actions::assistedText(i, "/no/such/folder/file name.wav"));
            const TCheckResult a = checkMarkup(assisted);
            EXPECT_EQ(a.count(TLevel::Problem) + a.count(TLevel::Warning), 0) << assisted;
            ASSERT_EQ(a.files.size(), 1u) << assisted;
            EXPECT_EQ(a.files[0].path, "/no/such/folder/file name.wav");
        }
    }
    for (std::string_view p : actions::kPlaceholders)
        EXPECT_TRUE(noted.contains(std::string(p))) << p;
}

// A target that no link leads to is noted on its mark, whatever its name holds; a link to it
// anywhere in the page, before or after it, is enough.
TEST(MarkupCheck, TargetsNoLinkLeadsTo) {
    const struct {
        const char* page;
        const char* findings;
    } cases[] = {
        {"^MAlone^m", "1:1+9 note: no link leads to the target mark \"^MAlone^m\"\n"},
        {"^Lx=:Used^l\r\n^MUsed^m", ""},
        {"^MUsed^m\r\n^Lx=:Used^l", ""},
        {"^MCh\xE9 1^m ^Lx=:Ch\xE9 1^l ^M^m",
         "1:24+4 note: no link leads to the target mark \"^M^m\"\n"},
        {"^Mused^m ^Lx=:Used^l",
         "1:1+8 note: no link leads to the target mark \"^Mused^m\"\n"
         "1:15+4 problem: there is no target mark \"^MUsed^m\" in the page\n"},
    };
    for (const auto& c : cases) {
        std::string text;
        for (const TFinding& f : checkMarkup(c.page).findings)
            text += findingLine(f) + "\n";
        EXPECT_EQ(text, c.findings) << c.page;
    }
}
