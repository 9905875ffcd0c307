#include "app/FindBar.h"

#include "editor/ColMemo.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
    FindEdit->setMinimumWidth(100);
    ReplaceEdit->setMinimumWidth(100);
    grid->addWidget(FindEdit, 0, 0);
    grid->addWidget(PreviousBut, 0, 1);
    grid->addWidget(NextBut, 0, 2);
    grid->addWidget(MatchCase, 0, 3);
    grid->addWidget(WholeWord, 0, 4);
    grid->addWidget(Message, 0, 5);
    grid->addWidget(Count, 0, 6);
    grid->addWidget(CloseBut, 0, 7);
    grid->addWidget(ReplaceEdit, 1, 0);
    grid->addWidget(ReplaceBut, 1, 1);
    grid->addWidget(ReplaceAllBut, 1, 2);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(5, 3);
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
