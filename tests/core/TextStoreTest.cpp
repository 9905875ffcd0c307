#include "document/core/TextStore.h"
#include "document/core/PageFile.h"
#include "document/core/UndoHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
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

// Runs a script of edits and commands: T typed insert and I command insert (T<at>:<text>), B typed
// removal and R command removal (B<at>:<length>), P replace (P<at>:<length>:<text>), ( and ) a
// group, M caret moved, S save, U undo, Y redo. A '/' in a text is a line break.
void runScript(TTextStore& store, TUndoHistory& h, const std::string& script) {
    std::istringstream in(script);
    for (std::string op; in >> op;) {
        std::replace(op.begin(), op.end(), '/', '\n');
        const std::size_t c1 = op.find(':'), c2 = op.find(':', c1 + 1);
        const std::size_t at = c1 == std::string::npos ? 0 : std::stoul(op.substr(1, c1 - 1));
        const std::string arg = c1 == std::string::npos ? "" : op.substr(c1 + 1, c2 - c1 - 1);
        const auto kind = op[0] == 'T' || op[0] == 'B' ? TUndoHistory::TKind::Typing
                                                       : TUndoHistory::TKind::Command;
        if (op[0] == 'T' || op[0] == 'I')
            h.insert(store, at, arg, kind);
        else if (op[0] == 'B' || op[0] == 'R')
            h.remove(store, at, std::stoul(arg), kind);
        else if (op[0] == 'P')
            h.replace(store, at, std::stoul(arg), op.substr(c2 + 1));
        else if (op[0] == '(' || op[0] == ')')
            op[0] == '(' ? h.beginGroup() : h.endGroup();
        else if (op[0] == 'M' || op[0] == 'S')
            op[0] == 'M' ? h.breakTyping() : h.setSavePoint();
        else
            op[0] == 'U' ? h.undo(store) : h.redo(store);
    }
}

} // namespace

TEST(TextStore, LoadsAsThePageFileRulesReadUpToItsCapacity) {
    // Page bytes and what the store keeps of them.
    const std::pair<std::string, std::string> cases[] = {
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\rb\nc\r", "a\r\nb\r\nc\r\n"},
        {"\r\r\n\n\n\r", "\r\n\r\n\r\n\r\n\r\n"},
        {"\x80\xff\r\n\0c\r\n"s, "\x80\xff\r\n"},
    };
    for (const auto& [bytes, text] : cases) {
        TTextStore whole;
        const bool cut = bytes.find('\0') != std::string::npos;
        EXPECT_EQ(whole.load(bytes.data(), bytes.size()).cutAtZero, cut) << bytes;
        EXPECT_EQ(whole.text(), text);
        const std::string kept = bytes.substr(0, bytes.find('\0'));
        EXPECT_EQ(decoded(whole.text()), decoded(kept)) << "the editor's text is the same";
    }
    // The page's capacity: a load is cut there, before a break it cannot hold whole, and an
    // insert is refused whole. Slices, and edits between a CR and its LF, are the fuzzer's.
    TTextStore full;
    const std::string page = std::string(TTextStore::kCapacity - 1, 'a') + "\r\nb";
    EXPECT_TRUE(full.load(page.data(), page.size()).tooLong);
    EXPECT_EQ(full.length(), TTextStore::kCapacity - 1);
    EXPECT_FALSE(full.insert(0, "xy"));
    EXPECT_TRUE(full.insert(0, "\0"s));
    EXPECT_EQ(full.text(0, 2), "?a") << "a zero byte cannot be kept";
}

TEST(UndoHistory, StepsAsAuthorsExpect) {
    // After the script, the text, then the text after each undo left; '*' marks it modified.
    const struct {
        const char* name;
        std::string_view initial;
        const char *script, *states;
    } cases[] = {
        {"typing", "", "T0:a T1:b T2:c", "*abc|"},
        {"typing elsewhere", "", "T0:a T0:b", "*ba|*a|"},
        {"caret moved", "", "T0:a M T1:b", "*ab|*a|"},
        {"line break", "", "T0:a T1:/ T3:b", "*a\r\nb|*a\r\n|*a|"},
        {"backspaces", "abcd", "B3:1 B2:1 B1:1", "*a|abcd"},
        {"deletes", "abcd", "B1:1 B1:1 B1:1", "*a|abcd"},
        {"commands", "", "I0:a I1:b", "*ab|*a|"},
        {"group", "ab", "( I0:x ( R2:1 ) ) ( )", "*xa|ab"},
        {"replace", "abc", "P1:1:xy", "*axyc|abc"},
        {"typing after a save", "", "T0:a S T1:b", "*ab|a|*"},
        {"undone and redone to the save", "", "T0:a S U Y", "a|*"},
        {"save point lost", "", "T0:a S U T0:b", "*b|*"},
    };
    for (const auto& c : cases) {
        TTextStore store;
        store.load(c.initial.data(), c.initial.size());
        TUndoHistory h;
        runScript(store, h, c.script);
        std::vector<std::string> states;
        const std::string all = c.states;
        for (std::size_t from = 0, bar = 0; bar != std::string::npos; from = bar + 1) {
            bar = all.find('|', from);
            states.push_back(all.substr(from, bar - from));
        }
        for (std::size_t i = 0; i < states.size(); ++i) {
            const bool modified = !states[i].empty() && states[i][0] == '*';
            EXPECT_EQ(store.text(), states[i].substr(modified)) << c.name << ", undo " << i;
            EXPECT_EQ(h.isModified(), modified) << c.name << ", undo " << i;
            EXPECT_EQ(h.undo(store).has_value(), i + 1 < states.size()) << c.name;
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
