#include "document/core/UndoHistory.h"

#include <utility>

namespace {

bool hasLineBreak(std::string_view s) {
    return s.find('\n') != std::string_view::npos;
}

} // namespace

TUndoHistory::TStep& TUndoHistory::stepForAction() {
    if (groupDepth_ > 0 && groupHasStep_)
        return steps_.back();
    steps_.resize(done_); // what was undone cannot be redone after a new edit
    if (savePoint_ != kNoSavePoint && savePoint_ > done_)
        savePoint_ = kNoSavePoint;
    steps_.emplace_back();
    ++done_;
    groupHasStep_ = groupDepth_ > 0;
    return steps_.back();
}

void TUndoHistory::record(TAction action, TRun run) {
    // A typed character joins the run before it when it continues it, the run is still open and
    // the last step is not the saved state.
    if (run != TRun::None && run == typing_ && groupDepth_ == 0 && done_ == steps_.size() &&
        done_ > 0 && savePoint_ != done_ && steps_.back().size() == 1) {
        TAction& last = steps_.back().front();
        if (run == TRun::Insert && action.offset == last.offset + last.bytes.size()) {
            last.bytes += action.bytes;
            return;
        }
        if (run == TRun::Remove && action.offset + action.bytes.size() == last.offset) {
            last.offset = action.offset; // Backspace
            last.bytes.insert(0, action.bytes);
            return;
        }
        if (run == TRun::Remove && action.offset == last.offset) { // Delete
            last.bytes += action.bytes;
            return;
        }
    }
    stepForAction().push_back(std::move(action));
    typing_ = groupDepth_ == 0 ? run : TRun::None;
}

std::optional<TTextChange> TUndoHistory::insert(TTextStore& store, std::size_t offset,
                                                std::string_view s, TKind kind) {
    const std::optional<TTextChange> change = store.insert(offset, s);
    if (!change || !change->insertedLength)
        return change;
    TAction action{true, change->offset, store.text(change->offset, change->insertedLength)};
    // A line break typed is a step of its own, and ends the run.
    const bool typed = kind == TKind::Typing && !hasLineBreak(action.bytes);
    record(std::move(action), typed ? TRun::Insert : TRun::None);
    return change;
}

TTextChange TUndoHistory::remove(TTextStore& store, std::size_t offset, std::size_t n, TKind kind) {
    const TTextStore::TRange range = store.editRange(offset, n);
    if (range.from == range.to)
        return store.remove(range.from, 0);
    TAction action{false, range.from, store.text(range.from, range.to - range.from)};
    const TTextChange change = store.remove(range.from, range.to - range.from);
    const bool typed = kind == TKind::Typing && !hasLineBreak(action.bytes);
    const TRun run = typed ? TRun::Remove : TRun::None;
    record(std::move(action), run);
    return change;
}

std::optional<TTextChange> TUndoHistory::replace(TTextStore& store, std::size_t offset,
                                                 std::size_t n, std::string_view s) {
    const TTextStore::TRange range = store.editRange(offset, n);
    std::string removed = store.text(range.from, range.to - range.from);
    const std::optional<TTextChange> change = store.replace(range.from, range.to - range.from, s);
    if (!change || (!change->removedLength && !change->insertedLength))
        return change;
    beginGroup();
    if (!removed.empty())
        record({false, change->offset, std::move(removed)}, TRun::None);
    if (change->insertedLength)
        record({true, change->offset, store.text(change->offset, change->insertedLength)},
               TRun::None);
    endGroup();
    return change;
}

void TUndoHistory::beginGroup() {
    if (groupDepth_++ == 0) {
        groupHasStep_ = false;
        typing_ = TRun::None;
    }
}

void TUndoHistory::endGroup() {
    if (groupDepth_ > 0 && --groupDepth_ == 0)
        groupHasStep_ = false;
}

TUndoHistory::TRange TUndoHistory::apply(TTextStore& store, const TAction& action, bool inverse) {
    if (action.insert != inverse) {
        store.insert(action.offset, action.bytes);
        return {action.offset, action.offset + action.bytes.size()};
    }
    store.remove(action.offset, action.bytes.size());
    return {action.offset, action.offset};
}

std::optional<TUndoHistory::TRange> TUndoHistory::undo(TTextStore& store) {
    if (!canUndo())
        return std::nullopt;
    typing_ = TRun::None;
    groupHasStep_ = false;
    const TStep& step = steps_[--done_];
    TRange range;
    for (auto it = step.rbegin(); it != step.rend(); ++it)
        range = apply(store, *it, true);
    return range;
}

std::optional<TUndoHistory::TRange> TUndoHistory::redo(TTextStore& store) {
    if (!canRedo())
        return std::nullopt;
    typing_ = TRun::None;
    groupHasStep_ = false;
    const TStep& step = steps_[done_++];
    TRange range;
    for (const TAction& action : step)
        range = apply(store, action, false);
    return range;
}

void TUndoHistory::setSavePoint() {
    savePoint_ = done_;
    typing_ = TRun::None;
    groupHasStep_ = false; // what a command still does after the save is a step of its own
}

void TUndoHistory::clear() {
    steps_.clear();
    done_ = savePoint_ = 0;
    groupDepth_ = 0;
    groupHasStep_ = false;
    typing_ = TRun::None;
}
