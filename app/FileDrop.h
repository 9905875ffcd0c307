#pragma once

#include <QStringList>

#include <functional>

class QEvent;
class QMimeData;
class QObject;

// The local files (not folders) that a drag from a file manager carries, in its order.
QStringList droppedFiles(const QMimeData* mime);

// Takes file drags over a window: a drag that carries files is accepted, and on the drop `open`
// gets the files once the drop is over (a question asked during the drop would hold up the
// program the files came from). Returns true when the event was such a drag and is dealt with;
// other drags (text) go on to the widget under the pointer.
bool takeFileDrag(QEvent* e, QObject* context, const std::function<void(QStringList)>& open);
