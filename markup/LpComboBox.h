#pragma once

#include <QComboBox>

// The action box: a drop-down list that shows "Actions" until the first choice.
class TLpComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TLpComboBox(QWidget* parent = nullptr);

signals:
    void select();
    void doubleClicked();
};
