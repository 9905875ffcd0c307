#pragma once

#include <QComboBox>
#include <QPointer>

// The colour box: the sixteen colours of the page markup, in colour-number order, each drawn as a
// swatch without a name. The index of the chosen entry is the colour number. Nothing is chosen at
// first.
class TLpColorComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TLpColorComboBox(QWidget* parent = nullptr);

    // The control that gets the keyboard focus after a choice made with the mouse or with Enter.
    QWidget* FocusControl() const { return focusControl_; }
    void SetFocusControl(QWidget* control) { focusControl_ = control; }

signals:
    // Raised on every choice of an entry, by mouse or keyboard: each arrow step is one.
    void select();

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void chosen();
    void handFocus();

    QPointer<QWidget> focusControl_;
    bool stepping_ = false; ///< a key step or the wheel is choosing: the box keeps the focus
};
