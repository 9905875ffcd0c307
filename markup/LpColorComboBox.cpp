#include "markup/LpColorComboBox.h"

TLpColorComboBox::TLpColorComboBox(QWidget* parent) : QComboBox(parent) {}
