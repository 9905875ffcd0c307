#include "app/FindBar.h"

#include "editor/ColMemo.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>

#include <algorithm>

TFindBar::TFindBar(TColorMemo& memo, QWidget* parent)
    : QWidget(parent), memo_(memo), commands_(memo) {
    setObjectName("FindBar1");
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setVerticalSpacing(2);

    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName("FindEdit");
    MatchCase = new QCheckBox("Match &case", this);
    WholeWord = new QCheckBox("&Whole word", this);
    PreviousBut = new QPushButton("&Previous", this);
    NextBut = new QPushButton("&Next", this);
    Message = new QLabel(this);
    Message->setObjectName("FindMessage");
    // A long message is cut rather than widen the window.
    Message->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Count = new QLabel(this);
    Count->setObjectName("FindCount");
    CloseBut = new QPushButton(QStringLiteral("\u00D7"), this);
    CloseBut->setToolTip("Close");
    CloseBut->setFlat(true);
    CloseBut->setFixedWidth(24);

    ReplaceEdit = new QLineEdit(this);
    ReplaceEdit->setObjectName("ReplaceEdit");
    ReplaceBut = new QPushButton("&Replace", this);
    ReplaceAllBut = new QPushButton("Replace &All", this);
    for (QPushButton* b : {PreviousBut, NextBut, ReplaceBut, ReplaceAllBut, CloseBut})
        b->setAutoDefault(false);

    // The fields say what they hold themselves: labels beside them would not leave the window's
    // first-start width enough for the buttons.
    FindEdit->setPlaceholderText("Find");
    ReplaceEdit->setPlaceholderText("Replace with");
    FindEdit->setMinimumWidth(80);
    ReplaceEdit->setMinimumWidth(80);
    grid_ = grid;
    arrange(false);
    // Narrower than one row, the bar takes more: their widest is its least width.
    const QMargins m = grid->contentsMargins();
    const int spacing = std::max(grid->horizontalSpacing(), 0);
    const auto least = [&](std::initializer_list<const QWidget*> row) {
        int width = m.left() + m.right();
        for (const QWidget* w : row)
            width += std::max(w->minimumSizeHint().width(), w->minimumWidth()) + spacing;
        return width;
    };
    setMinimumWidth(
        std::max({least({FindEdit, PreviousBut, NextBut, CloseBut}), least({MatchCase, WholeWord}),
                  least({ReplaceEdit, ReplaceBut, ReplaceAllBut})}));
    // The two fields first, then the options and the buttons (hidden ones are passed over).
    const QList<QWidget*> order{FindEdit, ReplaceEdit, MatchCase,     WholeWord, PreviousBut,
                                NextBut,  ReplaceBut,  ReplaceAllBut, CloseBut};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(FindEdit, &QLineEdit::textEdited, this, [this] {
        searchChanged();
        showMessage(commands_.findAsTyped());
    });
    for (QCheckBox* box : {MatchCase, WholeWord})
        connect(box, &QCheckBox::toggled, this, [this] {
            searchChanged();
            showMessage(commands_.findAsTyped());
        });
    connect(PreviousBut, &QPushButton::clicked, this, &TFindBar::findPrevious);
    connect(NextBut, &QPushButton::clicked, this, &TFindBar::findNext);
    connect(ReplaceBut, &QPushButton::clicked, this, &TFindBar::replace);
    connect(ReplaceAllBut, &QPushButton::clicked, this, &TFindBar::replaceAll);
    connect(CloseBut, &QPushButton::clicked, this, &TFindBar::closeBar);
    // A message about the text goes once the text changes (an undo, typing in the editor).
    // Only when there is one: clearing a label lays the bar, and with it the window, out again.
    connect(&memo, &QPlainTextEdit::textChanged, Message, [this] {
        if (!Message->text().isEmpty())
            Message->clear();
    });
    connect(&commands_.matchCount(), &TMatchCount::counted, this, &TFindBar::showCount);
    connect(&memo, &QPlainTextEdit::cursorPositionChanged, this, &TFindBar::showCount);
    FindEdit->installEventFilter(this);
    ReplaceEdit->installEventFilter(this);
}

void TFindBar::arrange(bool narrow) {
    narrow_ = narrow;
    for (QWidget* w : std::initializer_list<QWidget*>{FindEdit, PreviousBut, NextBut, MatchCase,
                                                      WholeWord, Message, Count, CloseBut,
                                                      ReplaceEdit, ReplaceBut, ReplaceAllBut})
        grid_->removeWidget(w);
    for (int c = 0; c < grid_->columnCount(); ++c)
        grid_->setColumnStretch(c, 0);
    grid_->addWidget(FindEdit, 0, 0);
    grid_->addWidget(PreviousBut, 0, 1);
    grid_->addWidget(NextBut, 0, 2);
    if (!narrow) {
        // One row: the field, the buttons, the options, the messages.
        grid_->addWidget(MatchCase, 0, 3);
        grid_->addWidget(WholeWord, 0, 4);
        grid_->addWidget(Message, 0, 5);
        grid_->addWidget(Count, 0, 6);
        grid_->addWidget(CloseBut, 0, 7);
        grid_->addWidget(ReplaceEdit, 1, 0);
        grid_->addWidget(ReplaceBut, 1, 1);
        grid_->addWidget(ReplaceAllBut, 1, 2);
        grid_->setColumnStretch(0, 2);
        grid_->setColumnStretch(5, 3);
        return;
    }
    // Between docks: the options, then the messages, each on a row of their own under the field.
    grid_->addWidget(CloseBut, 0, 3);
    auto* options = new QHBoxLayout;
    auto* messages = new QHBoxLayout;
    options->setContentsMargins(0, 0, 0, 0);
    messages->setContentsMargins(0, 0, 0, 0);
    options->addWidget(MatchCase);
    options->addWidget(WholeWord);
    options->addStretch(1);
    messages->addWidget(Message, 1);
    messages->addWidget(Count);
    grid_->addLayout(options, 1, 0, 1, 4);
    grid_->addLayout(messages, 2, 0, 1, 4);
    grid_->addWidget(ReplaceEdit, 3, 0);
    grid_->addWidget(ReplaceBut, 3, 1);
    grid_->addWidget(ReplaceAllBut, 3, 2, 1, 2);
    grid_->setColumnStretch(0, 1);
}

int TFindBar::oneRowWidth() const {
    int width = 0;
    for (const QWidget* w : std::initializer_list<const QWidget*>{FindEdit, PreviousBut, NextBut,
                                                                  MatchCase, WholeWord, CloseBut})
        width += std::max(w->sizeHint().width(), w->minimumWidth()) +
                 std::max(grid_->horizontalSpacing(), 0);
    // Room for a long count and a short message, so that the bar does not change its rows as
    // they change.
    width += std::max(Count->sizeHint().width(),
                      Count->fontMetrics().horizontalAdvance("99999 of 99999")) +
             Message->fontMetrics().horizontalAdvance(TFindCommands::kNotFound) +
             2 * std::max(grid_->horizontalSpacing(), 0);
    const QMargins m = grid_->contentsMargins();
    return width + m.left() + m.right();
}

void TFindBar::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const bool narrow = width() < oneRowWidth();
    if (narrow == narrow_)
        return;
    // The rows of their own are made again each time; the old ones go.
    for (int k = grid_->count() - 1; k >= 0; --k)
        if (QLayoutItem* item = grid_->itemAt(k); item && item->layout()) {
            QLayout* row = item->layout();
            while (row->count() > 0)
                delete row->takeAt(0);
            grid_->removeItem(item);
            delete row;
        }
    arrange(narrow);
}

bool TFindBar::isField(const QObject* w) const {
    return w == FindEdit || w == ReplaceEdit;
}

void TFindBar::openBar(bool replace) {
    const QString selected = commands_.selectionForField();
    if (!selected.isEmpty())
        FindEdit->setText(selected);
    for (QWidget* w : std::initializer_list<QWidget*>{ReplaceEdit, ReplaceBut, ReplaceAllBut})
        w->setVisible(replace);
    Message->clear();
    setVisible(true);
    searchChanged();
    commands_.setMarksShown(true);
    // Replace with the searched text already there: what comes next is the replacement.
    QLineEdit* field = replace && !FindEdit->text().isEmpty() ? ReplaceEdit : FindEdit;
    field->setFocus();
    field->selectAll();
}

void TFindBar::closeBar() {
    commands_.close();
    hide();
    memo_.setFocus();
}

void TFindBar::searchChanged() {
    commands_.setSearch(FindEdit->text(),
                        TSearchOptions{MatchCase->isChecked(), WholeWord->isChecked()});
    // Another search: the last count says nothing about it.
    Count->clear();
    showCount();
}

void TFindBar::showMessage(const QString& message) {
    Message->setText(message);
    showCount();
}

void TFindBar::showCount() {
    // While an edit has the page's matches counted again, the last count stays: blanking it
    // would make it flicker, and lay the bar and the window out again, at every key.
    if (isVisible() && !commands_.matchCount().known() && !Count->text().isEmpty())
        return;
    Count->setText(isVisible() ? commands_.countText() : QString());
}

void TFindBar::findNext() {
    showMessage(commands_.findNext());
}

void TFindBar::findPrevious() {
    showMessage(commands_.findPrevious());
}

void TFindBar::replace() {
    if (beforeReplace)
        beforeReplace();
    showMessage(commands_.replace(ReplaceEdit->text()));
}

void TFindBar::replaceAll() {
    if (beforeReplace)
        beforeReplace();
    showMessage(commands_.replaceAll(ReplaceEdit->text()));
}

void TFindBar::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        closeBar();
        return;
    }
    QWidget::keyPressEvent(e);
}

bool TFindBar::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
            (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
            if (mods == Qt::ShiftModifier)
                findPrevious();
            else if (watched == ReplaceEdit)
                replace();
            else
                findNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}
