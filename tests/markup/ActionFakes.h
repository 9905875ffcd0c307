#pragma once

#include "platform/Dialogs.h"
#include "platform/Prompts.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace actiontest {

// Common dialogs that answer as a test tells them and remember how they were shown.
class FakeDialogs : public TDialogs {
public:
    struct Call {
        QString kind;      ///< "open", "save", "picture" or "font"
        TFileDialog state; ///< the dialog as it was when shown
    };

    bool answer = true;           ///< true: the author confirms
    QString chosenFile;           ///< the file name given back on confirm
    std::function<void()> during; ///< runs while the dialog is "open"
    std::vector<Call> calls;

    bool executeOpen(TFileDialog& d) override { return run("open", d); }
    bool executeSave(TFileDialog& d) override { return run("save", d); }
    bool executePicture(TFileDialog& d) override { return run("picture", d); }
    bool executeFont(TFontAttributes&) override {
        calls.push_back({"font", {}});
        return false;
    }

private:
    bool run(const QString& kind, TFileDialog& d) {
        calls.push_back({kind, d});
        if (during)
            during();
        if (answer)
            d.fileName = chosenFile;
        return answer;
    }
};

// Message boxes that record what they were asked and answer Yes.
class FakePrompts : public TPrompts {
public:
    QStringList shown;
    TAnswer askYesNoCancel(const QString& t) override {
        shown << "ask:" + t;
        return TAnswer::Yes;
    }
    bool askYesNo(const QString& t) override {
        shown << "ask:" + t;
        return true;
    }
    void errorNotice(const QString& t) override { shown << "error:" + t; }
    void applicationError(const QString& t) override { shown << "app:" + t; }
    void warning(const QString& t) override { shown << "warning:" + t; }
    void beep() override { shown << "beep"; }
};

} // namespace actiontest
