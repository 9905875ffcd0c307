#pragma once

#include <QComboBox>

// The colour box: the sixteen colours of the page markup as swatches without names.
class TLpColorComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TLpColorComboBox(QWidget* parent = nullptr);

signals:
    // Raised on every change of the chosen entry, by mouse or keyboard.
    void select();
};
