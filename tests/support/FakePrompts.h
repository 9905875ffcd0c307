#pragma once

#include "platform/Prompts.h"

#include <QStringList>

namespace lptest {

// Prompts for tests that ask no question of interest: every question is answered No, every error,
// notice and warning is kept in errors, and beeps are counted.
class QuietPrompts : public TPrompts {
public:
    QStringList errors;
    int beeps = 0;
    TAnswer askYesNoCancel(const QString&) override { return TAnswer::No; }
    bool askYesNo(const QString&) override { return false; }
    void errorNotice(const QString& text) override { errors << text; }
    void applicationError(const QString& text) override { errors << text; }
    void warning(const QString& text) override { errors << text; }
    void beep() override { ++beeps; }
};

} // namespace lptest
