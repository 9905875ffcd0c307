#pragma once

#include <QComboBox>
#include <QElapsedTimer>

// The action box: a drop-down list of the seventeen actions that shows "Actions" until the first
// choice and then the chosen item.
class TLpComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TLpComboBox(QWidget* parent = nullptr);

    // Fixes the box's size: height as given, and at least leastWidth wide but wide enough that
    // every item shows whole in the box's font; kept so when the font changes.
    void fitItems(int leastWidth, int height);

signals:
    // Raised when the author changes the chosen item, by mouse, keyboard or wheel.
    void select();
    // Raised on a double click on the box.
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void onActivated(int index);
    void emitDoubleClicked();

    int chosen_ = -1;
    int leastWidth_ = 0; ///< 0 until fitItems
    int height_ = 0;
    QElapsedTimer sincePress_; ///< since the press that opened the list
    bool pressTimed_ = false;
    QElapsedTimer sinceDoubleClick_; ///< since doubleClicked was last raised
};
