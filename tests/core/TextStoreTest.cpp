#include "document/core/TextStore.h"
#include "document/core/PageFile.h"
#include "document/core/UndoHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The text store's load rules against the page file's own, and the undo history's steps. Random
// edits against a plain string are the fuzzer's (tests/fuzz/text_store_fuzzer.cpp).

namespace {

using namespace std::string_literals;

std::u16string decoded(const std::string& bytes) {
    std::u16string s(bytes.size(), u'\0');
    s.resize(pagefile::decode(bytes.data(), bytes.size(), s.data()));
    return s;
}

} // namespace

TEST(TextStore, LoadsAsThePageFileRulesRead) {
    const struct {
        std::string bytes, text;
        bool cut;
    } cases[] = {
        {"", "", false},
        {"a\r\nb\r\n", "a\r\nb\r\n", false},
        {"a\rb\nc\r", "a\r\nb\r\nc\r\n", false},
        {"\r\r\n\n\n\r", "\r\n\r\n\r\n\r\n\r\n", false},
        {"ab\0c\r\n"s, "ab", true},
        {"\x80\xff\r\n\0"s, "\x80\xff\r\n", true},
    };
    for (const auto& c : cases) {
        TTextStore whole;
        EXPECT_EQ(whole.load(c.bytes.data(), c.bytes.size()).cutAtZero, c.cut) << c.bytes;
        EXPECT_EQ(whole.text(), c.text);
        const std::string kept = c.bytes.substr(0, c.bytes.find('\0'));
        EXPECT_EQ(decoded(whole.text()), decoded(kept)) << "the editor's text is the same";
        EXPECT_EQ(whole.lineCount(), 1 + std::count(c.text.begin(), c.text.end(), '\n'));
        // In two slices cut anywhere, also between a CR and its LF.
        for (std::size_t cutAt = 0; cutAt <= c.bytes.size(); ++cutAt) {
            TTextStore store;
            store.beginLoad();
            const char* b = c.bytes.data();
            std::copy_n(b, cutAt, store.loadRoom(cutAt + 5));
            if (!store.commitLoaded(cutAt).done()) {
                const std::size_t rest = c.bytes.size() - cutAt;
                std::copy_n(b + cutAt, rest, store.loadRoom(rest));
                store.commitLoaded(rest);
            }
            store.endLoad();
            EXPECT_EQ(store.text(), c.text) << "cut at " << cutAt;
        }
    }
}

TEST(TextStore, KeepsPageBytesWhateverItIsGiven) {
    const struct {
        std::size_t at, n;
        std::string insert, expected;
    } cases[] = {
        {1, 0, "x\ny\r", "ax\r\ny\r\nb\r\nc"}, // breaks become CR LF
        {3, 0, "x", "abx\r\nc"},               // not between CR and LF: before the CR
        {4, 0, "x", "ab\r\nxc"},
        {1, 2, "", "ac"}, // a break is removed whole
        {3, 1, "", "abc"},
        {0, 99, "z\0z"s, "z?z"}, // past the end: to the end; a zero byte cannot be kept
    };
    for (const auto& c : cases) {
        TTextStore store;
        store.load("ab\r\nc", 5);
        ASSERT_TRUE(store.replace(c.at, c.n, c.insert));
        EXPECT_EQ(store.text(), c.expected) << c.at << " " << c.n;
    }
    TTextStore full;
    const std::string page(TTextStore::kCapacity - 1, 'a');
    full.load((page + "\r\nb").data(), page.size() + 3);
    EXPECT_EQ(full.length(), page.size()) << "cut before a break it cannot hold whole";
    EXPECT_FALSE(full.insert(0, "xy"));
    EXPECT_TRUE(full.insert(0, "x"));
    EXPECT_FALSE(full.fits(1));
}

TEST(UndoHistory, StepsAsAuthorsExpect) {
    // T typed insert, I command insert, B typed removal, R command removal, P replace, ( ) a
    // group, M caret moved, S save, U undo, Y redo.
    struct TOp {
        TOp(char o, std::size_t a = 0, std::size_t l = 0, std::string t = {})
            : op(o), at(a), n(l), s(std::move(t)) {}
        char op;
        std::size_t at, n;
        std::string s;
    };
    // After the script: the text and the modified flag, then those after each undo left.
    struct TState {
        std::string text;
        bool modified;
    };
    const struct {
        const char* name;
        std::string initial;
        std::vector<TOp> ops;
        std::vector<TState> states;
    } cases[] = {
        {"typing",
         "",
         {{'T', 0, 0, "a"}, {'T', 1, 0, "b"}, {'T', 2, 0, "c"}},
         {{"abc", 1}, {"", 0}}},
        {"typing elsewhere",
         "",
         {{'T', 0, 0, "a"}, {'T', 0, 0, "b"}},
         {{"ba", 1}, {"a", 1}, {"", 0}}},
        {"caret moved",
         "",
         {{'T', 0, 0, "a"}, {'M'}, {'T', 1, 0, "b"}},
         {{"ab", 1}, {"a", 1}, {"", 0}}},
        {"line break",
         "",
         {{'T', 0, 0, "a"}, {'T', 1, 0, "\n"}, {'T', 3, 0, "b"}},
         {{"a\r\nb", 1}, {"a\r\n", 1}, {"a", 1}, {"", 0}}},
        {"backspaces", "abcd", {{'B', 3, 1}, {'B', 2, 1}, {'B', 1, 1}}, {{"a", 1}, {"abcd", 0}}},
        {"deletes", "abcd", {{'B', 1, 1}, {'B', 1, 1}, {'B', 1, 1}}, {{"a", 1}, {"abcd", 0}}},
        {"commands", "", {{'I', 0, 0, "a"}, {'I', 1, 0, "b"}}, {{"ab", 1}, {"a", 1}, {"", 0}}},
        {"group",
         "ab",
         {{'('}, {'I', 0, 0, "x"}, {'('}, {'R', 2, 1}, {')'}, {')'}, {'('}, {')'}},
         {{"xa", 1}, {"ab", 0}}},
        {"replace", "abc", {{'P', 1, 1, "xy"}}, {{"axyc", 1}, {"abc", 0}}},
        {"typing after a save",
         "",
         {{'T', 0, 0, "a"}, {'S'}, {'T', 1, 0, "b"}},
         {{"ab", 1}, {"a", 0}, {"", 1}}},
        {"undone and redone to the save",
         "",
         {{'T', 0, 0, "a"}, {'S'}, {'U'}, {'Y'}},
         {{"a", 0}, {"", 1}}},
        {"save point lost",
         "",
         {{'T', 0, 0, "a"}, {'S'}, {'U'}, {'T', 0, 0, "b"}},
         {{"b", 1}, {"", 1}}},
    };
    for (const auto& c : cases) {
        TTextStore store;
        store.load(c.initial.data(), c.initial.size());
        TUndoHistory h;
        for (const TOp& o : c.ops) {
            const auto typed = o.op == 'T' || o.op == 'B' ? TUndoHistory::TKind::Typing
                                                          : TUndoHistory::TKind::Command;
            switch (o.op) {
            case 'T':
            case 'I':
                h.insert(store, o.at, o.s, typed);
                break;
            case 'B':
            case 'R':
                h.remove(store, o.at, o.n, typed);
                break;
            case 'P':
                h.replace(store, o.at, o.n, o.s);
                break;
            case '(':
                h.beginGroup();
                break;
            case ')':
                h.endGroup();
                break;
            case 'M':
                h.breakTyping();
                break;
            case 'S':
                h.setSavePoint();
                break;
            case 'U':
                h.undo(store);
                break;
            case 'Y':
                h.redo(store);
                break;
            }
        }
        for (std::size_t i = 0; i < c.states.size(); ++i) {
            EXPECT_EQ(store.text(), c.states[i].text) << c.name << ", undo " << i;
            EXPECT_EQ(h.isModified(), c.states[i].modified) << c.name << ", undo " << i;
            EXPECT_EQ(h.undo(store).has_value(), i + 1 < c.states.size()) << c.name;
        }
    }
    // Undoing a replace selects the replaced text again; redoing it, the text put in.
    TTextStore store;
    TUndoHistory h;
    store.load("abc", 3);
    h.replace(store, 1, 1, "xy");
    EXPECT_EQ(h.undo(store), (TUndoHistory::TRange{1, 2}));
    EXPECT_EQ(h.redo(store), (TUndoHistory::TRange{1, 3}));
}
