#pragma once

#include <QDialog>

// The about box: created once at start, hidden between showings.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};
