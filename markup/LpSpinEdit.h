#pragma once

#include <QLineEdit>
#include <QSpinBox>

// The size box: a one-line edit with up and down arrows, range 8 to 42.
class TLpSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TLpSpinEdit(QWidget* parent = nullptr);
    QLineEdit* editor() const { return lineEdit(); }

signals:
    void doubleClicked();
};
