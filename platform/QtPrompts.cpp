#include "platform/QtPrompts.h"

#include "platform/Errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

// Question and error boxes are centred on the screen, not on their parent.
int execCentred(QMessageBox& box) {
    box.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = box.frameGeometry();
        r.moveCenter(screen->geometry().center());
        box.move(r.topLeft());
    }
    return box.exec();
}

} // namespace

TAnswer TQtPrompts::askYesNoCancel(const QString& text, TAnswer byDefault) {
    QMessageBox box(QMessageBox::Question, "Confirmation", text, QMessageBox::NoButton, parent_);
    QPushButton* yes = box.addButton("&Oui", QMessageBox::YesRole);
    QPushButton* no = box.addButton("&Non", QMessageBox::NoRole);
    QPushButton* cancel = box.addButton("Annuler", QMessageBox::RejectRole);
    box.setDefaultButton(byDefault == TAnswer::Yes ? yes : byDefault == TAnswer::No ? no : cancel);
    box.setEscapeButton(cancel);
    execCentred(box);
    if (box.clickedButton() == yes)
        return TAnswer::Yes;
    if (box.clickedButton() == no)
        return TAnswer::No;
    return TAnswer::Cancel;
}

bool TQtPrompts::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, "Confirmation", text, QMessageBox::NoButton, parent_);
    QPushButton* yes = box.addButton("&Oui", QMessageBox::YesRole);
    QPushButton* no = box.addButton("&Non", QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    execCentred(box);
    return box.clickedButton() == yes;
}

void TQtPrompts::errorNotice(const QString& text) {
    QMessageBox box(QMessageBox::Critical, "Erreur", text, QMessageBox::NoButton, parent_);
    box.addButton("OK", QMessageBox::AcceptRole);
    execCentred(box);
}

void TQtPrompts::applicationError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                    errorBoxText(text), QMessageBox::NoButton, parent_);
    box.addButton("OK", QMessageBox::AcceptRole);
    box.exec();
}

void TQtPrompts::warning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, parent_);
    box.addButton("OK", QMessageBox::AcceptRole);
    box.exec();
}

void TQtPrompts::beep() {
    QApplication::beep();
}
