#pragma once

#include "markup/core/PageMarkup.h"

#include <QAbstractSpinBox>
#include <QLineEdit>

#include <functional>

// The size box: a one-line edit with up and down arrows. Its value is its text: the text stays
// exactly as typed (also out of range) until a step or the loss of the focus reads it, clamps it
// to MinValue..MaxValue and shows the result in decimal.
//
// Built on QAbstractSpinBox rather than QSpinBox because QSpinBox corrects and refuses entries out
// of range while they are typed.
class TLpSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TLpSpinEdit(QWidget* parent = nullptr);
    QLineEdit* editor() const { return lineEdit(); }

    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    // The text read as a whole number; MinValue when it is empty or unreadable. Not clamped.
    int Value() const;
    // Shows value clamped to MinValue..MaxValue, in decimal.
    void SetValue(int value);

    // Each step reads the text, adds steps and shows the clamped result.
    void stepBy(int steps) override;

    // Sounds when a typed character is refused.
    std::function<void()> Beep;

signals:
    void doubleClicked();
    // Enter or Return: the author applies the size as with a double click.
    void entered();

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int minValue_ = markup::kFontSizeMin;
    int maxValue_ = markup::kFontSizeMax;
};

// The rule of the size box's value: text read as a decimal whole number with an optional sign,
// fallback when it is empty or unreadable.
int readSpinValue(const QString& text, int fallback);
