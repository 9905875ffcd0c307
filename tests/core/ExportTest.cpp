// The book's HTML export: text, names and addresses as they go into the site; every page's shown
// text as the preview reads it; the sample book exported into a folder that holds the author's
// own files, a stale list and a symbolic link. The site's links and HTML are checked by the
// outside checkers in tests/export/check_site.sh.

#include "document/core/Cp1252.h"
#include "export/core/BookExport.h"
#include "export/core/HtmlText.h"
#include "export/core/PageHtml.h"
#include "markup/core/PreviewRuns.h"
#include "tests/export/SampleBook.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;
using namespace bookexport;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// HTML text back to what it shows: tags dropped, the references appendHtmlText writes decoded.
std::string shownText(const std::string& html) {
    std::string s = std::regex_replace(html, std::regex("<[^>]*>"), "");
    for (const auto& [ref, ch] :
         {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}})
        s = std::regex_replace(s, std::regex(ref), ch);
    return s;
}

// A context that finds nothing: links stay text, and nothing shows after them.
struct TNoBook : TPageContext {
    std::string pageFile(std::string_view) override { return {}; }
    std::string neighbourFile(int) override { return {}; }
    std::string fileCopy(std::string_view, TFileUse, std::string&) override { return {}; }
    void note(int, std::string) override {}
};

} // namespace

TEST(ExportText, EscapesEveryByteAndKeepsWhatItShows) {
    const std::pair<std::string, std::string> cases[] = {
        {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
        {"a&amp;\"b\"", "a&amp;amp;&quot;b&quot;"},
        {"\x80\x93\x94\xE9\xFF", "\xE2\x82\xAC\xE2\x80\x9C\xE2\x80\x9D\xC3\xA9\xC3\xBF"},
        {std::string("\x01\x7F\x81\x9D\0\t", 6), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                                                 "\xEF\xBF\xBD\t"},
    };
    for (const auto& [bytes, html] : cases) {
        std::string out;
        appendHtmlText(out, bytes);
        EXPECT_EQ(out, html) << bytes;
    }
    // Every byte: nothing that could open a tag or end an attribute, and the character itself
    // (the page code page's) unless HTML refuses it.
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        std::string out;
        appendHtmlText(out, byte);
        EXPECT_EQ(out.find_first_of("<>\"'"), std::string::npos) << b;
        EXPECT_TRUE(isUtf8(out)) << b;
        const char16_t c = cp1252::toUnicode(static_cast<unsigned char>(b));
        const bool control = (c < 0x20 && c != '\t') || (c >= 0x7F && c < 0xA0);
        EXPECT_EQ(shownText(out), control ? "\xEF\xBF\xBD" : cp1252::toUtf8(byte)) << b;
        std::string utf8;
        appendHtmlUtf8(utf8, cp1252::toUtf8(byte));
        EXPECT_EQ(utf8, out) << b;
    }
}

TEST(ExportText, AddressesAndNames) {
    const std::pair<std::string, std::string> addresses[] = {
        {" http://example.com/a b ", "http://example.com/a%20b"},
        {"HTTPS://x.org/?q=\"1\"&r=%41%zz", "HTTPS://x.org/?q=%221%22&r=%41%25zz"},
        {"mailto:\xE9t\xE9@x.fr", "mailto:%C3%A9t%C3%A9@x.fr"},
        {"javascript:alert(1)", ""},
        {"data:text/html,<b>", ""},
        {"http:///etc", ""},
        {"file:///etc/passwd", ""},
        {"vbscript:x", ""},
        {"mailto:", ""},
        {"", ""}};
    for (const auto& [bytes, href] : addresses)
        EXPECT_EQ(webAddress(bytes).value_or(""), href) << bytes;
    const std::pair<std::string, std::string> names[] = {
        {"../../etc/passwd", "_.._etc_passwd"},
        {"..", "file"},
        {" .profile", "profile"},
        {"a<b>:c|\"d\"?*#%.png", "a_b__c__d_____.png"},
        {"\xC3\x89t\xC3\xA9 2.html", "\xC3\x89t\xC3\xA9 2.html"},
        {"bad\xFF\x01.txt", "bad__.txt"},
        {std::string(200, 'a') + ".png", std::string(146, 'a') + ".png"}};
    for (const auto& [name, safe] : names)
        EXPECT_EQ(safeFileName(name), safe) << name;
    EXPECT_EQ(hrefOfName("\xC3\x89t\xC3\xA9 #2%.html"), "%C3%89t%C3%A9%20%232%25.html");
    EXPECT_TRUE(sameNameFolded("\xC3\x89T\xC3\x89 \xC5\x92.TXT", "\xC3\xA9t\xC3\xA9 \xC5\x93.txt"));
}

// The text of every paragraph is the text the preview shows, whatever the codes around it.
TEST(ExportPage, ShowsWhatThePreviewShows) {
    const std::vector<std::string> pieces = {"^B",
                                             "^b",
                                             "^I",
                                             "^i",
                                             "^U",
                                             "^u",
                                             "^X",
                                             "^x",
                                             "^R",
                                             "^r",
                                             "^C",
                                             "^c",
                                             "^T",
                                             "^T3",
                                             "^t",
                                             "^F14",
                                             "^F999",
                                             "^f",
                                             "^P4",
                                             "^P77",
                                             "^p",
                                             "^M",
                                             "^m",
                                             "^L",
                                             "=:t",
                                             "^l",
                                             "^Q",
                                             "=GotoPage \"x\"",
                                             "=InternetLink \"http://a\"",
                                             "[v]",
                                             "[",
                                             "]",
                                             "<",
                                             "&",
                                             "\"",
                                             "'",
                                             "\r\n",
                                             "\xE9",
                                             "\x81",
                                             "\x01",
                                             "word ",
                                             " "};
    std::mt19937 random(41);
    for (int round = 0; round < 300; ++round) {
        std::string page;
        for (int k = std::uniform_int_distribution(0, 60)(random); k > 0; --k)
            page +=
                pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
        TNoBook book;
        std::string html;
        ASSERT_TRUE(appendPageBody(page, book, html));
        std::istringstream paragraphs(html);
        markup::TPreviewState state;
        for (const std::string_view line : markup::previewLines(page)) {
            std::string expected = markup::readPreviewLine(line, state).text(line);
            std::string escaped;
            appendHtmlText(escaped, expected);
            std::string paragraph;
            ASSERT_TRUE(std::getline(paragraphs, paragraph)) << page;
            EXPECT_EQ(shownText(paragraph), shownText(escaped)) << page;
        }
        EXPECT_EQ(std::count(html.begin(), html.end(), '\n'), markup::previewLines(page).size());
    }
}

TEST(ExportBook, WritesOnlyItsOwnFilesInsideTheFolder) {
    const fs::path work = fs::temp_directory_path() / ("lp-export-" + std::to_string(getpid()));
    fs::remove_all(work);
    std::vector<TExportPage> pages = samplebook::write(work / "book");
    const fs::path site = work / "site";
    fs::create_directories(site);
    // The author's own files, and a link that the previous export's list names.
    samplebook::put(site / "Page 2.html", "mine");
    samplebook::put(work / "outside.html", "outside");
    fs::create_symlink(work / "outside.html", site / "Fin.html");
    fs::create_hard_link(work / "outside.html", site / "index-2.html");
    samplebook::put(site / ".larkpad-export",
                    "Fin.html\nindex-2.html\nold.html\n../outside.html\n");
    samplebook::put(site / "old.html", "stale");

    TExportOptions options;
    options.bookFolder = (work / "book").string();
    options.folder = site.string();
    std::vector<int> progress;
    options.progress = [&](int done, int total) { progress.push_back(done * 100 + total); };
    TExportResult r = exportBook(pages, options);
    ASSERT_EQ(r.end, TExportResult::TEnd::done) << r.error;
    EXPECT_EQ(progress, (std::vector<int>{106, 206, 306, 406, 506, 606}));
    EXPECT_EQ(r.pageFiles, (std::vector<std::string>{"D\xC3\xA9"
                                                     "but du livre.html",
                                                     "Page 2-2.html", "_b_&amp; _q_.html",
                                                     "index-2.html", "Fin.html"}));
    EXPECT_EQ(readFile(site / "Page 2.html"), "mine");
    EXPECT_EQ(readFile(work / "outside.html"), "outside");
    EXPECT_FALSE(fs::is_symlink(site / "Fin.html"));
    EXPECT_EQ(fs::hard_link_count(site / "index-2.html"), 1u);
    EXPECT_EQ(r.removed, std::vector<std::string>{"old.html"});
    EXPECT_FALSE(fs::exists(site / "old.html"));
    EXPECT_EQ(std::distance(fs::directory_iterator(work), fs::directory_iterator()), 3);
    // The index lists the pages in order; no page holds markup of the page's text.
    const std::string index = readFile(site / "index.html");
    std::size_t at = 0;
    for (const std::string& file : r.pageFiles)
        EXPECT_NE(at = index.find(hrefOfName(file), at), std::string::npos) << file;
    for (const std::string& file : r.pageFiles) {
        const std::string html = readFile(site / file);
        EXPECT_EQ(html.find("<script"), std::string::npos) << file;
        EXPECT_EQ(html.find("javascript:\""), std::string::npos) << file;
        EXPECT_EQ(html.find("onmouseover=\""), std::string::npos) << file;
    }
    std::set<std::string> notes;
    for (const TExportNote& n : r.notes)
        notes.insert(n.page + ":" + std::to_string(n.line) + ": " + n.message);
    EXPECT_TRUE(notes.contains("Fin.txt:0: GotoNextPage has no page to go to"));
    EXPECT_TRUE(notes.contains("<b>&amp; \"q\".txt:1: the file \"/dev/zero\" cannot be copied: "
                               "it is a character device"));
    EXPECT_EQ(notes.size(), 8u);

    // Again, with a page less, cancelled after the first page, then to the end: the author's files
    // stay, the page gone goes only once an export ran to its end.
    pages.pop_back();
    std::atomic<bool> cancel = false;
    options.cancel = &cancel;
    options.progress = [&](int, int) { cancel = true; };
    r = exportBook(pages, options);
    EXPECT_EQ(r.end, TExportResult::TEnd::cancelled);
    EXPECT_EQ(r.written.size(), 5u) << "the first page and the four files it uses";
    EXPECT_TRUE(fs::exists(site / "Fin.html"));
    cancel = false;
    options.progress = {};
    r = exportBook(pages, options);
    ASSERT_EQ(r.end, TExportResult::TEnd::done) << r.error;
    EXPECT_EQ(r.removed, std::vector<std::string>{"Fin.html"});
    EXPECT_EQ(readFile(site / "Page 2.html"), "mine");
    std::set<std::string> listed;
    std::istringstream list(readFile(site / ".larkpad-export"));
    for (std::string name; std::getline(list, name);)
        listed.insert(name);
    EXPECT_EQ(listed, std::set<std::string>(r.written.begin(), r.written.end()));
    fs::remove_all(work);
}
