// The book's core over temporary folders: order and page names, the index, the checks across
// pages, find and replace, rename, backlinks.

#include "book/core/BookCheck.h"
#include "book/core/BookRename.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

namespace fs = std::filesystem;
using namespace book;

// A book folder under the temporary folder, removed after the test.
class BookTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/lp-book-XXXXXX";
        folder = mkdtemp(name);
    }
    void TearDown() override { fs::remove_all(folder); }
    void write(const std::string& file, const std::string& bytes) {
        std::ofstream(folder + "/" + file, std::ios::binary) << bytes;
    }
    std::string read(const std::string& file) { return readPageFile(folder + "/" + file).bytes; }
    // Every file of the folder with its bytes.
    std::map<std::string, std::string> snapshot() {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::directory_iterator(folder))
            out[e.path().filename().string()] = read(e.path().filename().string());
        return out;
    }
    TBookIndex indexed() {
        TBookIndex x;
        x.setBook(TBook::list(folder));
        EXPECT_TRUE(x.indexPending(readPageFile));
        return x;
    }
    std::string folder;
};

std::string link(const std::string& visible, const std::string& action) {
    return "^L" + visible + "=" + action + "^l";
}

TEST(Book, OrderAndNames) {
    // Natural order: numbers by value, letters without case; a total order.
    const std::vector<std::string> sorted{"1.txt", "2.txt",   "02b.txt",  "10.txt",
                                          "a.txt", "B 2.txt", "b 10.txt", "\xC3\xA9t\xC3\xA9.txt",
                                          "z.TXT"};
    std::vector<TPage> pages;
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it)
        pages.push_back({*it, {}, true, 0, 0});
    pages.push_back({"notes.md", {}, true, 0, 0});
    pages.push_back({".txt", {}, true, 0, 0});
    const TBook b("/f", pages);
    ASSERT_EQ(b.count(), static_cast<int>(sorted.size()));
    for (int i = 0; i < b.count(); ++i)
        EXPECT_EQ(b.page(i).fileName, sorted[static_cast<std::size_t>(i)]);
    EXPECT_EQ(naturalCompare("007", "7"), 1);
    EXPECT_EQ(naturalCompare("A", "a"), -1);

    // A GotoPage name: the file name or it plus ".txt", without case, in page bytes.
    const struct {
        const char* named;
        const char* file; // empty: no page
    } cases[] = {{"10", "10.txt"},   {"10.TXT", "10.txt"},
                 {"A", "a.txt"},     {"\xC9T\xC9", "\xC3\xA9t\xC3\xA9.txt"},
                 {"b 2", "B 2.txt"}, {"z", "z.TXT"},
                 {"3", ""},          {"", ""}};
    for (const auto& c : cases) {
        const int p = b.pageNamed(c.named);
        EXPECT_EQ(p < 0 ? "" : b.page(p).fileName, c.file) << c.named;
    }
    // A name that is no UTF-8 is taken as page bytes.
    EXPECT_EQ(pageBytesOfName("caf\xE9.txt"), "caf\xE9.txt");
    bool encodable = true;
    EXPECT_EQ(pageBytesOfName("\xE2\x98\x83.txt", &encodable), "?.txt");
    EXPECT_FALSE(encodable);
}

TEST_F(BookTest, IndexReadsLinksFilesVariablesAndBadPages) {
    write("1.txt", "^MTop^m [Name]\r\n" + link("Go", "GotoPage \"two\"") + " " +
                       link("N", "GotoNextPage") + "\r\n" +
                       link("P", "ImageWindow \"T\" \"-1\" \"-1\" \"pic.bmp\"") +
                       link("S", "SetVar \"[Count]\" \"[Name]\"") + link("X", "GotoPage \"Page\""));
    write("two.txt", std::string("text\0\x01\x02", 7));
    write("3.txt", std::string(100, 'x'));
    fs::create_directory(folder + "/dir.txt");
    TBookIndex x;
    x.setBook(TBook::list(folder));
    ASSERT_EQ(x.book().count(), 3);
    int reads = 0;
    std::vector<int> progress;
    const TPageReader reader = [&](const std::string& path) {
        ++reads;
        if (path.ends_with("3.txt"))
            return TReadResult{false, {}, "Permission denied"};
        return readPageFile(path);
    };
    ASSERT_TRUE(x.indexPending(reader, [&](int done, int) { progress.push_back(done); }));
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
    const TPageEntry& e = x.entry(0);
    EXPECT_EQ(e.targets, std::vector<std::string>{"Top"});
    // The placeholder "Page" is the page checker's business, not a link.
    ASSERT_EQ(e.links.size(), 2u);
    EXPECT_EQ(e.links[0].target, "two");
    EXPECT_EQ(e.links[0].argument.line, 2);
    EXPECT_EQ(e.links[0].argument.column, 16);
    EXPECT_EQ(x.linkTarget(0, e.links[0]), 2);
    EXPECT_EQ(x.linkTarget(0, e.links[1]), 1);
    EXPECT_EQ(linkAt(e, e.links[1].link.offset), &e.links[1]);
    EXPECT_EQ(linkAt(e, 0), nullptr);
    ASSERT_EQ(e.files.size(), 1u);
    EXPECT_TRUE(e.files[0].picture);
    EXPECT_EQ(e.files[0].value, "pic.bmp");
    ASSERT_EQ(e.sets.size(), 1u);
    EXPECT_EQ(e.sets[0].name, "Count");
    ASSERT_EQ(e.reads.size(), 2u);
    EXPECT_EQ(e.reads[1].name, "Name");
    EXPECT_EQ(x.entry(2).note, "the page is not text: it holds a zero byte at offset 4 and is read "
                               "only up to it");
    EXPECT_EQ(x.entry(1).note, "the page cannot be read: Permission denied");

    // Kept current: an unchanged page is not read again, a changed or invalidated one is.
    reads = 0;
    write("two.txt", "now text");
    fs::last_write_time(folder + "/two.txt",
                        fs::file_time_type::clock::now() + std::chrono::hours(1));
    x.setBook(TBook::list(folder));
    x.invalidate(0);
    EXPECT_EQ(x.pendingCount(), 2);
    ASSERT_TRUE(x.indexPending(reader));
    EXPECT_EQ(reads, 2);
    EXPECT_TRUE(x.entry(2).note.empty());

    // Cancelled before the first page: nothing read, the pages still wait.
    std::atomic<bool> cancel{true};
    x.invalidate(1);
    EXPECT_FALSE(x.indexPending(reader, {}, &cancel));
    EXPECT_EQ(x.pendingCount(), 1);
}

TEST_F(BookTest, ChecksAcrossPages) {
    fs::create_directory(folder + "/Media");
    write("Media/Pic.BMP", "not a picture");
    write("Media/ok.bmp", "BM");
    write("1.txt",
          link("a", "GotoPage \"2\"") + link("p", "GotoPrevPage") + "[Read]" +
              link("s", "SetVar \"[Lonely]\" \"1\"") + "\r\n" +
              link("i", "PopupImage \"-1\" \"-1\" \"media\\pic.bmp\" \"0\" \"None\" \"0\"") +
              link("j", "ImageWindow \"T\" \"-1\" \"-1\" \"Media/ok.bmp\""));
    write("2.txt",
          link("b", "GotoPage \"nowhere\"") + link("v", "SetVar \"[read]\" \"x\"") +
              link("w", "PlaySoundFile \"C:\\a.wav\" \"Mode\"") +
              link("x", "PlayVideoFile \"-1\" \"-1\" \"-1\" \"-1\" \"gone.avi\" \"Mode\""));
    write("3.txt", link("n", "GotoNextPage") + link("self", "GotoPage \"3\""));
    const TBookIndex x = indexed();
    TCheckOptions o;
    o.pictureReadable = [](const std::string& path) { return !path.ends_with("Pic.BMP"); };
    const std::vector<TBookFinding> f = checkBook(x, o);
    const std::vector<std::pair<int, TMessage>> expected{
        {0, TMessage::PreviousOnFirstPage}, {0, TMessage::VariableNeverRead},
        {0, TMessage::PictureUnreadable},   {1, TMessage::NoSuchPage},
        {1, TMessage::FileOnDrive},         {1, TMessage::FileMissing},
        {2, TMessage::NextOnLastPage},      {2, TMessage::PageNotReached}};
    std::vector<std::pair<int, TMessage>> got;
    for (const TBookFinding& k : f)
        got.emplace_back(k.page, k.kind);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(f[3].finding.message, "GotoPage names \"nowhere\", which is no page of this book");
    EXPECT_EQ(f[5].finding.message, "PlayVideoFile names \"gone.avi\", which is not found");
    EXPECT_EQ(findingCounts(f, 3), (std::vector<int>{3, 3, 2}));
    // Backlinks: page 2 is reached from page 1 only; the self link of page 3 is none.
    const std::vector<TBacklink> back = x.backlinks(1);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].page, 0);
    EXPECT_EQ(back[0].link.visible, "a");
    EXPECT_TRUE(x.backlinks(2).empty());
}

TEST(BookFind, MatchesInText) {
    const struct {
        const char* text;
        const char* needle;
        bool matchCase, wholeWord;
        std::vector<int> at;
    } cases[] = {
        {"aaaa", "aa", true, false, {0, 2}},
        {"Caf\xC9 caf\xE9", "caf\xE9", false, false, {0, 5}},
        {"Caf\xC9 caf\xE9", "caf\xE9", true, false, {5}},
        {"cat concat cat_ cat.", "cat", true, true, {0, 16}},
        {"^Bx^b", "^b", false, false, {0, 3}},
        {"", "x", false, false, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findInText(c.text, c.needle, {c.matchCase, c.wholeWord}), c.at) << c.text;
}

TEST_F(BookTest, FindAndReplaceInPages) {
    write("1.txt", "one fox\r\ntwo fox fox");
    write("2.txt", "no match");
    write("3.txt", std::string(1000, '-') + "fox" + std::string(1000, '-'));
    write("4.txt", std::string("fox\0fox", 7));
    const TBook b = TBook::list(folder);
    const TFindOutcome found = findInPages(b, readPageFile, "FOX", {});
    ASSERT_EQ(found.results.size(), 4u);
    EXPECT_EQ(found.pagesWithMatches, 2);
    const TFindResult& r = found.results[2];
    EXPECT_EQ(r.place.line, 2);
    EXPECT_EQ(r.place.column, 9);
    EXPECT_EQ(r.lineText, "two fox fox");
    EXPECT_EQ(r.lineText.substr(static_cast<std::size_t>(r.matchStart), 3), "fox");
    const TFindResult& longLine = found.results[3];
    EXPECT_LE(longLine.lineText.size(), 400u);
    EXPECT_EQ(longLine.lineText.substr(static_cast<std::size_t>(longLine.matchStart), 3), "fox");
    ASSERT_EQ(found.notes.size(), 1u);

    TReplacePlan plan = planReplace(b, readPageFile, "fox", "dog", {});
    EXPECT_EQ(plan.summary(), "4 replacements in 2 pages");
    TPageChange open;
    std::vector<TPageChange> others = plan.changes;
    ASSERT_TRUE(takeChange(others, 0, open));
    EXPECT_EQ(open.edits.size(), 3u);
    EXPECT_EQ(others.size(), 1u);
    ASSERT_EQ(plan.skipped.size(), 1u);
    EXPECT_EQ(plan.changes[0].newBytes, "one dog\r\ntwo dog dog");
    const auto writer = safeStagedWriter();
    const TApplyResult done = applyChanges(plan.changes, readPageFile, *writer);
    ASSERT_TRUE(done.ok) << done.error;
    EXPECT_EQ(done.written, (std::vector<std::string>{"1.txt", "3.txt"}));
    EXPECT_EQ(read("3.txt"), std::string(1000, '-') + "dog" + std::string(1000, '-'));
    // The plan is stale now: the pages changed since it was read, and nothing is written.
    EXPECT_EQ(applyChanges(plan.changes, readPageFile, *writer).error,
              "\"1.txt\" was changed on the disk since it was read");
}

// A writer that fails at one chosen call, over the program's own.
class TFailingWriter : public TStagedWriter {
public:
    explicit TFailingWriter(int failAt) : failAt_(failAt) {}
    int stage(const std::string& p, std::string_view b, std::string& error) override {
        return fail(error) ? -1 : real_->stage(p, b, error);
    }
    bool commit(int h, std::string& error) override {
        return !fail(error) && real_->commit(h, error);
    }
    void discardAll() override { real_->discardAll(); }
    bool rename(const std::string& f, const std::string& t, std::string& error) override {
        return !fail(error) && real_->rename(f, t, error);
    }

private:
    bool fail(std::string& error) {
        if (calls_++ != failAt_)
            return false;
        error = "No space left on device";
        return true;
    }
    std::unique_ptr<TStagedWriter> real_ = safeStagedWriter();
    int failAt_, calls_ = 0;
};

TEST_F(BookTest, RenameRewritesLinksAllOrNothing) {
    write("Intro.txt", link("next", "GotoPage \"end\"") + link("me", "GotoPage \"intro\""));
    write("b.txt", "x " + link("e", "GotoPage \"END.txt\"") + " y");
    write("end.txt", "the end");
    write("other.txt", link("o", "GotoPage \"b\""));
    TBookIndex x = indexed();
    const int end = x.book().pageNamed("end");

    // Refusals, before anything is planned.
    const struct {
        const char* name;
        const char* refusal;
    } refused[] = {{"  ", "A page needs a name"},
                   {"a/b", "A page name holds no \"/\", \"\\\" and no line break"},
                   {"say \"hi\"", "A page name holds no double quote: a link could not name it"},
                   {"\xE2\x98\x83", "A page name holds only characters of the page code page "
                                    "(Windows-1252)"},
                   {"B.TXT", "The page \"b.txt\" already has that name"}};
    for (const auto& r : refused)
        EXPECT_EQ(planPageRename(x, readPageFile, end, r.name).refusal, r.refusal) << r.name;

    const TPageRenamePlan plan = planPageRename(x, readPageFile, end, "Fin \xC3\xA9t\xC3\xA9");
    ASSERT_TRUE(plan.refusal.empty());
    EXPECT_EQ(plan.summary(), "2 links to rewrite in 2 pages");
    EXPECT_EQ(plan.newFileName, "Fin \xC3\xA9t\xC3\xA9.txt");

    // Any step failing leaves every file and name as it was: two stages, two commits, the rename.
    const auto before = snapshot();
    for (int failAt = 0; failAt < 5; ++failAt) {
        TFailingWriter w(failAt);
        const TApplyResult r = applyPageRename(plan, readPageFile, w);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.unrestored.empty());
        EXPECT_EQ(snapshot(), before) << failAt;
    }
    const auto writer = safeStagedWriter();
    const TApplyResult r = applyPageRename(plan, readPageFile, *writer);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(read("Intro.txt"),
              link("next", "GotoPage \"Fin \xE9t\xE9\"") + link("me", "GotoPage \"intro\""));
    EXPECT_EQ(read("b.txt"), "x " + link("e", "GotoPage \"Fin \xE9t\xE9.txt\"") + " y");
    EXPECT_EQ(read("Fin \xC3\xA9t\xC3\xA9.txt"), "the end");
    EXPECT_FALSE(fs::exists(folder + "/end.txt"));
}

} // namespace
