#pragma once

// Prompts and dialogs for benchmarks that drive the main window: no question is asked of anyone,
// every dialog is cancelled, and an error is printed, since a benchmark that hits one measures
// the wrong thing.

#include "platform/Dialogs.h"
#include "platform/Prompts.h"

#include <QString>

#include <cstdio>

namespace lpbench {

class NullPrompts : public TPrompts {
public:
    TAnswer askYesNoCancel(const QString&, TAnswer = TAnswer::Yes) override { return TAnswer::No; }
    bool askYesNo(const QString&) override { return false; }
    void errorNotice(const QString&) override {}
    void applicationError(const QString& text) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    void warning(const QString&) override {}
    void beep() override {}
};

class NullDialogs : public TDialogs {
public:
    bool executeOpen(TFileDialog&) override { return false; }
    bool executeSave(TFileDialog&) override { return false; }
    bool executePicture(TFileDialog&) override { return false; }
    bool executeFont(TFontAttributes&) override { return false; }
};

} // namespace lpbench
