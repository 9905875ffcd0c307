#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TLpSimpleLabel;

// The about box: created once at start, hidden between showings, shown modally. Enter or the OK
// button closes it with the result OK; Esc does nothing, as the box has no cancel button.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QWidget* Panel1 = nullptr;                ///< bevelled frame around the title and version
    TLpSimpleLabel* LpSimpleLabel2 = nullptr; ///< the program's name in sunken letters
    QLabel* Version = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};
