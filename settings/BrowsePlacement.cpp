#include "settings/BrowsePlacement.h"

QPoint placeBrowseDialog(TBrowsePosition position, const QRect& reference, const QSize& dialog,
                         const QSize& screen) {
    const int left = reference.left();
    const int top = reference.top();
    const int right = left + reference.width();
    const int bottom = top + reference.height();
    // Integer division truncates toward zero, also for a dialog larger than its reference.
    const int centreX = left + (reference.width() - dialog.width()) / 2;
    const int centreY = top + (reference.height() - dialog.height()) / 2;

    int x = left;
    switch (position) {
    case bpTopRight:
    case bpCenterRight:
    case bpBottomRight:
        x = right - dialog.width();
        break;
    case bpTopCenter:
    case bpCenter:
    case bpBottomCenter:
        x = centreX;
        break;
    default:
        break;
    }
    int y = top;
    switch (position) {
    case bpBottomLeft:
    case bpBottomCenter:
    case bpBottomRight:
        y = bottom - dialog.height();
        break;
    case bpCenterLeft:
    case bpCenter:
    case bpCenterRight:
        y = centreY;
        break;
    default:
        break;
    }

    if (y + dialog.height() > screen.height())
        y = bottom - dialog.height();
    if (x + dialog.width() > screen.width())
        x = right - dialog.width();
    return QPoint(x < 0 ? 0 : x, y < 0 ? 0 : y);
}

QString shortenFolderPath(const QString& path, int maxLength) {
    static const QString kEllipsis = QStringLiteral("...");
    if (path.size() <= maxLength)
        return path;
    const int sep = path.lastIndexOf('/');
    const QString last = path.mid(sep + 1);
    if (sep < 0 || last.size() + kEllipsis.size() + 1 > maxLength)
        return kEllipsis + path.right(maxLength - kEllipsis.size());

    // "/first" (or "C:/first") then "/..." then the tail of whole folders.
    const int firstEnd = path.indexOf('/', path.startsWith('/') ? 1 : 0);
    QString head = firstEnd > 0 ? path.left(firstEnd) : QString();
    QString tail = '/' + last;
    int cut = sep;
    while (cut > 0) {
        const int previous = path.lastIndexOf('/', cut - 1);
        if (previous < firstEnd)
            break;
        const QString longer = path.mid(previous, path.size() - previous);
        if (head.size() + 1 + kEllipsis.size() + longer.size() > maxLength)
            break;
        tail = longer;
        cut = previous;
    }
    if (head.size() + 1 + kEllipsis.size() + tail.size() > maxLength)
        head.clear();
    if (head.isEmpty())
        return kEllipsis + tail;
    return head + '/' + kEllipsis + tail;
}
