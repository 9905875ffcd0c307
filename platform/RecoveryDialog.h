#pragma once

#include "document/core/RecoveryCopy.h"

#include <QDialog>

#include <vector>

class QPushButton;
class QTreeWidget;

// The list of recovery copies that programs which did not close normally left behind, when there
// is more than one: each with its page, the time its text was taken and its size, damaged copies
// marked as such. Recover puts the selected copy's text back, Delete removes the selected copies,
// Later (Esc) keeps them all for the next start. Enter recovers; Tab goes from the list to the
// buttons.
class TRecoveryDialog : public QDialog {
    Q_OBJECT
public:
    explicit TRecoveryDialog(const std::vector<recovery::TListedCopy>& copies,
                             QWidget* parent = nullptr);

    // What was decided; Later until a button is pressed.
    recovery::TListDecision decision() const { return decision_; }

    QTreeWidget* list() const { return list_; }
    QPushButton* button(recovery::TListAction action) const;

private:
    std::vector<std::size_t> selectedRows() const;
    void updateButtons();
    void decide(recovery::TListAction action);

    std::vector<recovery::TListedCopy> copies_;
    QTreeWidget* list_;
    QPushButton* recover_;
    QPushButton* delete_;
    QPushButton* later_;
    recovery::TListDecision decision_;
};
