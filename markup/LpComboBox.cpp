#include "markup/LpComboBox.h"

TLpComboBox::TLpComboBox(QWidget* parent) : QComboBox(parent) {}
