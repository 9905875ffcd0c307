#pragma once

// Fakes for the document command tests: prompts that answer from a script and record what they
// were shown, and file dialogs that return scripted choices.

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Prompts.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>

class TDocFakePrompts : public TPrompts {
public:
    std::deque<TAnswer> answers;
    QStringList questions, notices, errors, warnings;

    TAnswer askYesNoCancel(const QString& text) override {
        questions << text;
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return TAnswer::Cancel;
        }
        const TAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool askYesNo(const QString& text) override {
        questions << text;
        return false;
    }
    void errorNotice(const QString& text) override { notices << text; }
    void applicationError(const QString& text) override { errors << errorBoxText(text); }
    void warning(const QString& text) override { warnings << text; }
    void beep() override {}
};

// A choice of nullopt cancels the dialog.
class TDocFakeDialogs : public TDialogs {
public:
    std::deque<std::optional<QString>> openChoices, saveChoices;
    int openShown = 0, saveShown = 0;
    QString openNameWhenShown, saveTitleWhenShown, saveNameWhenShown;
    std::function<void()> onOpen; ///< runs while the open dialog is up

    bool executeOpen(TFileDialog& dialog) override {
        ++openShown;
        openNameWhenShown = dialog.fileName;
        if (onOpen)
            onOpen();
        return choose(openChoices, dialog, "open");
    }
    bool executeSave(TFileDialog& dialog) override {
        ++saveShown;
        saveTitleWhenShown = dialog.title;
        saveNameWhenShown = dialog.fileName;
        return choose(saveChoices, dialog, "save");
    }
    bool executePicture(TFileDialog&) override { return false; }
    bool executeFont(TFontAttributes&) override { return false; }

private:
    static bool choose(std::deque<std::optional<QString>>& choices, TFileDialog& dialog,
                       const char* what) {
        if (choices.empty()) {
            ADD_FAILURE() << "unexpected " << what << " dialog";
            return false;
        }
        const std::optional<QString> choice = choices.front();
        choices.pop_front();
        if (!choice)
            return false;
        dialog.fileName = *choice;
        return true;
    }
};
