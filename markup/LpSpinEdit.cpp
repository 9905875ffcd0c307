#include "markup/LpSpinEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

#include <algorithm>

namespace {

bool isSizeChar(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-';
}

} // namespace

int readSpinValue(const QString& text, int fallback) {
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    return ok ? v : fallback;
}

TLpSpinEdit::TLpSpinEdit(QWidget* parent) : QAbstractSpinBox(parent), Beep(&QApplication::beep) {
    lineEdit()->installEventFilter(this);
    SetValue(12);
}

int TLpSpinEdit::Value() const {
    return readSpinValue(text(), minValue_);
}

void TLpSpinEdit::SetValue(int value) {
    const QString shown = QString::number(std::clamp(value, minValue_, maxValue_));
    if (lineEdit()->text() != shown)
        lineEdit()->setText(shown);
}

void TLpSpinEdit::stepBy(int steps) {
    // In 64 bits: a typed 2147483647 plus one step must not wrap round.
    const long long v = static_cast<long long>(Value()) + steps;
    SetValue(static_cast<int>(std::clamp<long long>(v, minValue_, maxValue_)));
    selectAll();
}

// The arrows always work: the text may be out of range, and a step brings it back.
QAbstractSpinBox::StepEnabled TLpSpinEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State TLpSpinEdit::validate(QString& input, int&) const {
    // Typing is filtered (with a sound) in keyPressEvent; this keeps pasted text to the same
    // characters, and never corrects a number that is out of range.
    return std::all_of(input.cbegin(), input.cend(), isSizeChar) ? QValidator::Acceptable
                                                                 : QValidator::Invalid;
}

void TLpSpinEdit::fixup(QString&) const {}

void TLpSpinEdit::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        !(e->modifiers() & ~Qt::KeypadModifier)) {
        e->accept();
        emit entered();
        return;
    }
    const QString t = e->text();
    const bool command =
        e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command && !t.isEmpty() && !t.front().isNull() &&
        t.front().category() != QChar::Other_Control &&
        !std::all_of(t.cbegin(), t.cend(), isSizeChar)) {
        e->accept();
        if (Beep)
            Beep();
        return;
    }
    QAbstractSpinBox::keyPressEvent(e);
}

void TLpSpinEdit::focusOutEvent(QFocusEvent* e) {
    // A context menu or another window taking over is no move of the focus to another control.
    if (e->reason() != Qt::PopupFocusReason && e->reason() != Qt::ActiveWindowFocusReason)
        SetValue(Value());
    QAbstractSpinBox::focusOutEvent(e);
}

bool TLpSpinEdit::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lineEdit() && e->type() == QEvent::MouseButtonDblClick) {
        // The edit handles the double click first (it selects the number), so that the handler's
        // move of the focus comes last and that selection goes again with the focus.
        static_cast<QObject*>(lineEdit())->event(e);
        emit doubleClicked();
        return true;
    }
    return QAbstractSpinBox::eventFilter(watched, e);
}
