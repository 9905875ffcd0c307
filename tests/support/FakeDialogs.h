#pragma once

// The common dialogs as tests answer them: file dialogs confirm or cancel from a script and
// remember how they were shown; the font dialog answers as told.

#include "platform/Dialogs.h"

#include <QString>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace lptest {

class FakeDialogs : public TDialogs {
public:
    FakeDialogs() = default;
    explicit FakeDialogs(bool strictScript) : strict(strictScript) {}

    struct Call {
        QString kind;      ///< "open", "save", "picture" or "folder"
        TFileDialog state; ///< the dialog as it was when shown
    };
    using Choice = std::optional<QString>; ///< a file name confirms, nothing cancels

    // Answers of each kind of file dialog, in order. With none left: `otherwise`, or, when
    // strict, a test failure and Cancel.
    std::deque<Choice> openChoices, saveChoices, pictureChoices, folderChoices;
    Choice otherwise;
    bool strict = false;
    std::function<void(const QString& kind)> during; ///< runs while a file dialog is up
    std::vector<Call> calls;

    // Decisions in the list of recovery copies, in order; with none left, Later (and, when
    // strict, a test failure). Each list as it was shown.
    std::deque<recovery::TListDecision> recoveryDecisions;
    std::vector<std::vector<recovery::TListedCopy>> recoveryLists;

    std::optional<TFontAttributes> fontAnswer; ///< empty: cancel
    std::optional<TFontAttributes> fontShown;  ///< the font the dialog was given
    int fontCalls = 0;

    int shownCount(const QString& kind) const {
        int n = 0;
        for (const Call& c : calls)
            n += c.kind == kind;
        return n;
    }
    // The last dialog of that kind as it was shown (a default state when none was).
    TFileDialog lastShown(const QString& kind) const {
        for (auto c = calls.rbegin(); c != calls.rend(); ++c)
            if (c->kind == kind)
                return c->state;
        return {};
    }

    bool executeOpen(TFileDialog& d) override { return run("open", openChoices, d); }
    bool executeSave(TFileDialog& d) override { return run("save", saveChoices, d); }
    bool executePicture(TFileDialog& d) override { return run("picture", pictureChoices, d); }
    bool executeFolder(TFileDialog& d) override { return run("folder", folderChoices, d); }
    bool executeFont(TFontAttributes& font) override {
        ++fontCalls;
        fontShown = font;
        if (!fontAnswer)
            return false;
        font = *fontAnswer;
        return true;
    }

    recovery::TListDecision
    executeRecoveryList(const std::vector<recovery::TListedCopy>& copies) override {
        recoveryLists.push_back(copies);
        if (recoveryDecisions.empty()) {
            if (strict)
                ADD_FAILURE() << "unexpected list of recovery copies";
            return {};
        }
        const recovery::TListDecision d = recoveryDecisions.front();
        recoveryDecisions.pop_front();
        return d;
    }

private:
    bool run(const QString& kind, std::deque<Choice>& choices, TFileDialog& d) {
        calls.push_back({kind, d});
        if (during)
            during(kind);
        Choice choice = otherwise;
        if (!choices.empty()) {
            choice = choices.front();
            choices.pop_front();
        } else if (strict) {
            ADD_FAILURE() << "unexpected " << kind.toStdString() << " dialog";
            return false;
        }
        if (!choice)
            return false;
        d.fileName = *choice;
        return true;
    }
};

} // namespace lptest
