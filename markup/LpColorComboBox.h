#pragma once

#include <QComboBox>
#include <QIcon>
#include <QPointer>

// Colour number and name as the author meets them ("9 Red"): the colour box's tooltips and
// accessible names.
QString pageColorLabel(int number);
// The same as a menu item's text: the number's last digit is the access key ("&9  Red",
// "1&5  White").
QString pageColorMenuText(int number);
// The colour's swatch as the colour box draws it, as an icon for a menu item.
QIcon pageColorSwatch(int number, const QPalette& palette);

// The colour box: the sixteen colours of the page markup, in colour-number order, each drawn as a
// swatch without a name (its number and name are its tooltip and accessible name). The index of the
// chosen entry is the colour number. Nothing is chosen at first.
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
