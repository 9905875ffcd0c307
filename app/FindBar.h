#pragma once

#include "app/FindCommands.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class TColorMemo;

// The find bar under the editor: a field, "Match case", "Whole word", "Previous" and "Next", and
// for Replace a second row with the replacement, "Replace" and "Replace All". Its messages ("Not
// found", a wrap, a count) show in the bar itself. Enter finds the next match, Shift+Enter the
// previous one (Enter in the replacement field replaces); Esc closes the bar and gives the focus
// back to the editor with the match selected. Tab goes from the field to the replacement, the
// option boxes, then the buttons. Beside the messages, the bar tells which of the page's matches
// is selected ("3 of 26") once they are counted.
class TFindBar : public QWidget {
    Q_OBJECT
public:
    TFindBar(TColorMemo& memo, QWidget* parent = nullptr);

    // Shows the bar, with the replacement row or without, the field filled with the selection
    // when it lies on one line, and puts the focus in the field.
    void openBar(bool replace);
    void closeBar();
    void findNext();
    void findPrevious();
    void replace();
    void replaceAll();

    TFindCommands& commands() { return commands_; }
    // True for the bar's text fields, where Ctrl+A selects the field's text.
    bool isField(const QObject* w) const;
    // Called before a replacement changes the text.
    std::function<void()> beforeReplace;

    QLineEdit* FindEdit;
    QLineEdit* ReplaceEdit;
    QCheckBox* MatchCase;
    QCheckBox* WholeWord;
    QPushButton *PreviousBut, *NextBut, *ReplaceBut, *ReplaceAllBut, *CloseBut;
    QLabel* Message; ///< "Not found", a wrap or a count
    QLabel* Count;   ///< "3 of 26": where the selected match stands among all of the page's

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // One row with everything, or, where that does not fit (between docks in a narrow window),
    // the options and the messages on rows of their own under the field.
    void arrange(bool narrow);
    int oneRowWidth() const;
    void searchChanged();
    void showMessage(const QString& message);
    void showCount();

    TColorMemo& memo_;
    TFindCommands commands_;
    QGridLayout* grid_ = nullptr;
    bool narrow_ = false;
};
