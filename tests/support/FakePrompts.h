#pragma once

// The message boxes as tests answer them: questions answered from a script, everything shown
// recorded as the author would read it.

#include "platform/Errors.h"
#include "platform/Prompts.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <deque>

namespace lptest {

class FakePrompts : public TPrompts {
public:
    FakePrompts() = default;
    explicit FakePrompts(bool strictScript) : strict(strictScript) {}

    // Answers to Yes/No/Cancel questions, in order. With none left: `otherwise`, or, when strict,
    // a test failure and Cancel.
    std::deque<TAnswer> answers;
    TAnswer otherwise = TAnswer::No;
    bool strict = false;
    bool yesNo = false; ///< the answer to every Yes/No question

    QStringList questions;   ///< both kinds, in order
    QList<TAnswer> defaults; ///< the default button of each Yes/No/Cancel question
    QStringList notices;     ///< error notices
    QStringList errors;      ///< application errors, as their box shows them
    QStringList warnings;
    QStringList shown; ///< everything, in order: "ask:", "error:", "app:", "warning:", "beep"
    int beeps = 0;

    // What went wrong, whatever the kind of box.
    QStringList complaints() const { return notices + errors + warnings; }

    TAnswer askYesNoCancel(const QString& text, TAnswer byDefault = TAnswer::Yes) override {
        questions << text;
        defaults << byDefault;
        shown << "ask:" + text;
        if (answers.empty()) {
            if (strict) {
                ADD_FAILURE() << "unexpected question: " << text.toStdString();
                return TAnswer::Cancel;
            }
            return otherwise;
        }
        const TAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool askYesNo(const QString& text) override {
        questions << text;
        shown << "ask:" + text;
        return yesNo;
    }
    void errorNotice(const QString& text) override {
        notices << text;
        shown << "error:" + text;
    }
    void applicationError(const QString& text) override {
        errors << errorBoxText(text);
        shown << "app:" + text;
    }
    void warning(const QString& text) override {
        warnings << text;
        shown << "warning:" + text;
    }
    void beep() override {
        ++beeps;
        shown << "beep";
    }
};

} // namespace lptest
