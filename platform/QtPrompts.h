#pragma once

#include "platform/Prompts.h"

class QWidget;

// The real boxes, built with QMessageBox.
class TQtPrompts : public TPrompts {
public:
    explicit TQtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    TAnswer askYesNoCancel(const QString& text, TAnswer byDefault = TAnswer::Yes) override;
    bool askYesNo(const QString& text) override;
    void errorNotice(const QString& text) override;
    void applicationError(const QString& text) override;
    void warning(const QString& text) override;
    void beep() override;

private:
    QWidget* parent_;
};
