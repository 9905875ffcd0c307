#pragma once

#include <QImage>
#include <QString>

// What the picture dialog's preview pane shows for a file: a picture, or a short note saying why
// there is none.
struct TPicturePreview {
    QImage image;
    QSize fullSize; ///< the picture's own size, before any scaling
    QString note;
};

// Reads the picture at path for a preview of about side by side pixels. JPEG files are decoded
// scaled down where they are large; damaged, oversized and unreadable pictures give a note.
TPicturePreview loadPicturePreview(const QString& path, int side);
