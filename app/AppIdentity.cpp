#include "app/AppIdentity.h"

#include <QApplication>

void nameApplication() {
    QApplication::setApplicationName("Lark Pad");
    // No display name: on X11 and Wayland the toolkit appends one to every window title, which
    // would turn "A propos", "Confirmation" or "Favorite Text Folder" into "A propos — Lark Pad".
    // Without it the display name is the application name all the same.
}
