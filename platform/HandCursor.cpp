#include "platform/HandCursor.h"

#include <QPixmap>

QCursor handCursor() {
    // Made once, on first use, and kept for the rest of the run. It is never destroyed: a cursor
    // image must not outlive the application object, and a static one would.
    static const QCursor* const hand = [] {
        const QPixmap image(QStringLiteral(":/cursors/hand.svg"));
        // Without the image (resources not linked in, no SVG reader) the toolkit's own pointing
        // hand is the nearest thing; its hot point is the fingertip too.
        if (image.isNull())
            return new QCursor(Qt::PointingHandCursor);
        return new QCursor(image, kHandHotSpot.x(), kHandHotSpot.y());
    }();
    return *hand;
}
