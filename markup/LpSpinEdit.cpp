#include "markup/LpSpinEdit.h"

TLpSpinEdit::TLpSpinEdit(QWidget* parent) : QSpinBox(parent) {
    setRange(8, 42);
    setValue(12);
}
