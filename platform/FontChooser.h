#pragma once

#include "platform/FontAttributes.h"

#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;

// The font dialog: the platform's font chooser with its effects group (underline, strike-out and
// a colour choice) and no size limits.
class TFontChooser : public QDialog {
    Q_OBJECT
public:
    explicit TFontChooser(QWidget* parent = nullptr);

    void setFontAttributes(const TFontAttributes& font);
    // The chosen font. A colour entry left as it was given returns the colour value as given, so
    // a system colour stays a system colour.
    TFontAttributes fontAttributes() const;

    QFontDialog* fontDialog() const { return fonts_; }
    QComboBox* colorBox() const { return colors_; }

private:
    void showColorInSample();
    void keepStyleAcrossFamilies(const QFont& font);
    void rememberShownFont();
    void showFont(const QFont& font);

    QFontDialog* fonts_;
    QComboBox* colors_;
    TColor givenColor_ = 0;
    int givenIndex_ = -1;
    QWidget* sample_ = nullptr;
    // The font shown before the last change, to tell a change of family.
    QString family_;
    QFont::Weight weight_ = QFont::Normal;
    bool italic_ = false;
    bool adjusting_ = false;
};
