#pragma once

#include <QString>

enum class TAnswer { Yes, No, Cancel };

// The modal message boxes the program shows, behind an interface that tests answer.
class TPrompts {
public:
    virtual ~TPrompts() = default;
    // "Confirmation" box, question icon, buttons "&Oui", "&Non", "Annuler"; byDefault is the
    // default button, Esc and the close button answer Cancel; centred on the screen.
    virtual TAnswer askYesNoCancel(const QString& text, TAnswer byDefault = TAnswer::Yes) = 0;
    // "Confirmation" box, question icon, buttons Yes and No.
    virtual bool askYesNo(const QString& text) = 0;
    // The program's own error notice: caption "Erreur", error icon, one "OK".
    virtual void errorNotice(const QString& text) = 0;
    // The application's error box: the application title as caption, error icon, "OK", and the
    // text with "." appended by the rule of errorBoxText().
    virtual void applicationError(const QString& text) = 0;
    // A notice that something was not what the author expects (caption the application title).
    virtual void warning(const QString& text) = 0;
    // A short sound for refused input.
    virtual void beep() = 0;
};
