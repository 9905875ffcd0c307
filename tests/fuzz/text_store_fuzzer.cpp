// Runs arbitrary edits, undos, redos, groups, save points and loads in slices on the text store
// and its undo history, side by side with a plain std::string, a line index found by scanning it
// and a list of whole-text states for undo; after every operation every query of the store must
// agree with them, and the changes the watcher heard must rebuild the text.

#include "document/core/TextStore.h"
#include "document/core/UndoHistory.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

// The page bytes the store should keep for s: line breaks as CR LF, a zero byte as '?'.
std::string naiveNormalized(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            out += "\r\n";
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else {
            out += s[i] ? s[i] : '?';
        }
    }
    return out;
}

// The line breaks of s[from, to).
std::size_t breaks(const std::string& s, std::size_t from, std::size_t to) {
    return std::size_t(
        std::count(s.begin() + std::ptrdiff_t(from), s.begin() + std::ptrdiff_t(to), '\n'));
}

// Rebuilds the text from the changes heard, checking each one's lines against the text before it.
struct TShadow : ITextWatcher {
    const TTextStore* store = nullptr;
    std::string text;
    void textChanged(const TTextChange& c) override {
        check(c.offset + c.removedLength <= text.size());
        check(c.line == breaks(text, 0, c.offset));
        check(c.linesRemoved == breaks(text, c.offset, c.offset + c.removedLength));
        const std::string inserted = store->text(c.offset, c.insertedLength);
        check(c.linesAdded == breaks(inserted, 0, inserted.size()));
        text.replace(c.offset, c.removedLength, inserted);
    }
};

void checkStore(TTextStore& store, const std::string& model, const TShadow& shadow,
                FuzzedDataProvider& fdp) {
    check(store.length() == model.size() && store.text() == model && shadow.text == model);
    std::string spans; // the text read a run at a time
    for (std::string_view run; spans.size() < model.size(); spans.append(run))
        check(!(run = store.spanAt(spans.size())).empty());
    check(spans == model);

    check(naiveNormalized(model) == model); // only CR LF breaks, no zero byte
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < model.size(); ++i)
        if (model[i] == '\n')
            starts.push_back(i + 1);
    check(store.lineCount() == starts.size());
    for (std::size_t line = 0; line < starts.size(); ++line)
        check(store.lineStart(line) == starts[line] &&
              store.lineEnd(line) ==
                  (line + 1 < starts.size() ? starts[line + 1] - 2 : model.size()));
    for (std::size_t offset = 0, line = 0; offset <= model.size(); ++offset) {
        line += offset > 0 && model[offset - 1] == '\n';
        check(store.lineFromOffset(offset) == line);
    }

    if (!model.empty()) {
        const std::size_t from = fdp.ConsumeIntegralInRange<std::size_t>(0, model.size() - 1);
        const std::size_t n = fdp.ConsumeIntegralInRange<std::size_t>(0, model.size() - from);
        check(store.byteAt(from) == model[from]);
        check(store.contiguous(from, n) == std::string_view(model).substr(from, n));
    }
}

// Where the store puts an edit of [offset, offset + n) of model.
std::pair<std::size_t, std::size_t> naiveRange(const std::string& model, std::size_t offset,
                                               std::size_t n) {
    offset = std::min(offset, model.size());
    const std::size_t end = offset + std::min(n, model.size() - offset);
    const std::size_t from =
        offset > 0 && offset < model.size() && model[offset] == '\n' ? offset - 1 : offset;
    return {from, end == offset ? from : end + (end < model.size() && model[end] == '\n')};
}

// The undo states: text after each step done, and the step of the save point.
struct TModel {
    std::vector<std::string> states{std::string()};
    std::size_t done = 0;
    std::size_t saved = 0; ///< SIZE_MAX when lost
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    TTextStore store;
    TUndoHistory history;
    TShadow shadow;
    shadow.store = &store;
    store.setWatcher(&shadow);
    std::string model;
    TModel undo;
    int depth = 0;
    std::size_t stepsInGroup = 0;

    // An edit just made: its text becomes a new undo state, or the last one when it coalesced.
    auto edited = [&](bool typing, const TTextChange& change) {
        if (!change.removedLength && !change.insertedLength)
            return; // recorded nothing
        const std::size_t steps = history.stepCount();
        undo.states.resize(undo.done + 1);
        if (undo.saved != SIZE_MAX && undo.saved > undo.done)
            undo.saved = SIZE_MAX;
        if (steps == undo.done) { // joined the last step
            // Only typing or a group's edits join a step, and never the saved one.
            check((typing || depth > 0) && undo.saved != undo.done && undo.done > 0);
            undo.states[undo.done] = model;
        } else {
            check(steps == undo.done + 1 && (depth == 0 || stepsInGroup++ == 0));
            undo.states.push_back(model);
            ++undo.done;
        }
    };

    while (fdp.remaining_bytes() > 0) {
        const int op = fdp.ConsumeIntegralInRange<int>(0, 9);
        const std::size_t offset = fdp.ConsumeIntegralInRange<std::size_t>(0, model.size() + 2);
        const bool typing = fdp.ConsumeBool();
        const auto kind = typing ? TUndoHistory::TKind::Typing : TUndoHistory::TKind::Command;
        switch (op) {
        case 0: // insert
        case 1:
        case 2: // remove
        case 3:
        case 4: { // replace, never typing
            const std::size_t n = op < 2 ? 0 : fdp.ConsumeIntegralInRange<std::size_t>(0, 40);
            const std::string s = op == 2 || op == 3 ? "" : fdp.ConsumeRandomLengthString(12);
            const auto [from, to] = naiveRange(model, offset, n);
            const std::optional<TTextChange> change =
                op < 2   ? history.insert(store, offset, s, kind)
                : op < 4 ? history.remove(store, offset, n, kind)
                         : history.replace(store, offset, n, s);
            const std::string t = naiveNormalized(s);
            check(change && change->offset == from && change->removedLength == to - from &&
                  change->insertedLength == t.size());
            model.replace(from, to - from, t);
            edited(typing && op < 4, *change);
            break;
        }
        case 5:   // undo
        case 6: { // redo
            const bool can = op == 5 ? undo.done > 0 : undo.done + 1 < undo.states.size();
            check((op == 5 ? history.undo(store) : history.redo(store)).has_value() == can);
            if (can)
                model = undo.states[op == 5 ? --undo.done : ++undo.done];
            stepsInGroup = depth > 0 ? 0 : stepsInGroup;
            break;
        }
        case 7:
            history.setSavePoint();
            undo.saved = undo.done;
            stepsInGroup = 0; // a command's edits after a save are a step of their own
            break;
        case 8:
            if (typing && depth < 3) {
                history.beginGroup();
                if (depth++ == 0)
                    stepsInGroup = 0;
            } else if (depth > 0) {
                history.endGroup();
                --depth;
            } else {
                history.breakTyping();
            }
            break;
        case 9: {
            // A load in slices cut at random places, into rooms larger than what comes.
            const std::string bytes = fdp.ConsumeRandomLengthString(200);
            store.beginLoad();
            TTextStore::TLoad result;
            for (std::size_t at = 0; at < bytes.size() && !result.done();) {
                const std::size_t n =
                    std::min(fdp.ConsumeIntegralInRange<std::size_t>(1, 40), bytes.size() - at);
                char* room = store.loadRoom(n + fdp.ConsumeIntegralInRange<std::size_t>(0, 3));
                std::copy_n(bytes.data() + at, n, room);
                result = store.commitLoaded(n);
                at += n;
            }
            store.endLoad();
            const std::size_t zero = bytes.find('\0');
            check(result.cutAtZero == (zero != std::string::npos) && !result.tooLong);
            model = naiveNormalized(bytes.substr(0, zero));
            history.clear();
            undo = TModel{{model}, 0, 0};
            depth = 0;
            break;
        }
        }
        check(history.isModified() == (undo.done != undo.saved));
        check(history.canUndo() == (undo.done > 0));
        check(history.canRedo() == (undo.done + 1 < undo.states.size()));
        checkStore(store, model, shadow, fdp);
    }
    return 0;
}
