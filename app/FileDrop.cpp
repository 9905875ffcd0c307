#include "app/FileDrop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

QStringList droppedFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isFile())
            files << path;
    }
    return files;
}

bool takeFileDrag(QEvent* e, QObject* context, const std::function<void(QStringList)>& open) {
    switch (e->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* d = static_cast<QDropEvent*>(e);
        if (droppedFiles(d->mimeData()).isEmpty())
            return false;
        d->setDropAction(Qt::CopyAction);
        d->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* d = static_cast<QDropEvent*>(e);
        const QStringList files = droppedFiles(d->mimeData());
        if (files.isEmpty())
            return false;
        d->setDropAction(Qt::CopyAction);
        d->accept();
        QTimer::singleShot(0, context, [open, files] { open(files); });
        return true;
    }
    default:
        return false;
    }
}
