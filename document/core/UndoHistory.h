#pragma once

#include "document/core/TextStore.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Undo and redo over a text store, in the steps authors expect:
// - typing is coalesced: characters typed one after the other at the advancing caret are one
//   step, and so are removals that follow each other (Backspace and Delete); a line break, a caret
//   moved elsewhere (breakTyping), an undo, a redo, a save and any command end the run;
// - a command is one step however many edits it makes, between beginGroup() and endGroup();
// - the save point tells whether the text is modified: it is not when the steps done are exactly
//   those done at the last save, also after undoing past the save and redoing back to it; an edit
//   made after undoing past the save point makes it unreachable, and the text stays modified.
//
// Every edit goes through this class, which edits the store and records the step.
class TUndoHistory {
public:
    // What an edit is, for coalescing: a command's own edits never coalesce.
    enum class TKind { Command, Typing };

    // Where an undo or redo leaves the caret: the text its last edit put back or inserted is
    // [from, to); empty when that edit removed text.
    struct TRange {
        std::size_t from = 0, to = 0;
        bool operator==(const TRange&) const = default;
    };

    std::optional<TTextChange> insert(TTextStore& store, std::size_t offset, std::string_view s,
                                      TKind kind = TKind::Command);
    TTextChange remove(TTextStore& store, std::size_t offset, std::size_t n,
                       TKind kind = TKind::Command);
    std::optional<TTextChange> replace(TTextStore& store, std::size_t offset, std::size_t n,
                                       std::string_view s);

    // The edits between the outermost beginGroup() and its endGroup() are one step; a group
    // without edits adds none.
    void beginGroup();
    void endGroup();
    // The caret moved: the next character typed starts a step of its own.
    void breakTyping() { typing_ = TRun::None; }

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    // Takes back the last step done / does again the next step undone. Nothing when there is
    // none.
    std::optional<TRange> undo(TTextStore& store);
    std::optional<TRange> redo(TTextStore& store);

    // The text as it is now is the saved text.
    void setSavePoint();
    bool isModified() const { return savePoint_ != done_; }
    // Forgets every step; the text as it is now is the saved text (a page just loaded).
    void clear();

    std::size_t stepCount() const { return steps_.size(); }

private:
    struct TAction {
        bool insert = false; ///< else a removal
        std::size_t offset = 0;
        std::string bytes; ///< inserted or removed
    };
    using TStep = std::vector<TAction>;
    enum class TRun { None, Insert, Remove };

    // The step the next action goes to: the open group's, or a new one.
    TStep& stepForAction();
    void record(TAction action, TRun run);
    static TRange apply(TTextStore& store, const TAction& action, bool inverse);

    std::vector<TStep> steps_;
    std::size_t done_ = 0;      ///< steps_[0, done_) are done, the rest can be redone
    std::size_t savePoint_ = 0; ///< done_ at the last save; kNoSavePoint when lost
    int groupDepth_ = 0;
    bool groupHasStep_ = false; ///< the open group already has its step
    TRun typing_ = TRun::None;  ///< the run the last step can still take more of

    static constexpr std::size_t kNoSavePoint = std::size_t(-1);
};
