#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// Where the folder dialog goes within its reference rectangle.
enum TBrowsePosition {
    bpCustom,
    bpTopLeft,
    bpTopCenter,
    bpTopRight,
    bpCenterLeft,
    bpCenter,
    bpCenterRight,
    bpBottomLeft,
    bpBottomCenter,
    bpBottomRight
};

// The reference rectangle: the primary screen, its work area, the application's main window or the
// active window.
enum TBrowseRelate { brScreen, brScreenWorkArea, brMainForm, brActiveWindow };

// Top-left corner of a dialog of the given size placed at position within reference. A dialog that
// would reach past the screen's bottom or right edge is aligned with the reference's bottom or
// right edge instead; negative coordinates become 0. The size never changes.
QPoint placeBrowseDialog(TBrowsePosition position, const QRect& reference, const QSize& dialog,
                         const QSize& screen);

// A folder path for the status line: at most maxLength characters. A longer path keeps its first
// folder and as many whole folders from its end as fit, with "..." for the rest
// ("/home/.../photos/2024"); a last folder that alone is too long keeps its end after "...".
QString shortenFolderPath(const QString& path, int maxLength = 40);
