#pragma once

#include <QColor>
#include <QObject>
#include <QRegion>
#include <QString>

#include <vector>

class QPainter;
class QPlainTextEdit;
struct TDisplayLine;

// Wavy underlines under stretches of the editor's text (the markup checker's findings). Each mark
// is kept in document positions and moves with the text as it is edited, so that it stays on its
// characters until the next check replaces the marks; a mark whose text is edited is dropped.
class TFindingMarks : public QObject {
    Q_OBJECT
public:
    struct TMark {
        int position = -1; ///< document position (a line break counts one); -1 once dropped
        int length = 0;    ///< characters; 0 marks the line break at position
        QColor color;
        QString message; ///< shown as the tooltip of the underline
    };

    explicit TFindingMarks(QPlainTextEdit* edit);

    // Replaces the marks (in any order) and repaints.
    void setMarks(std::vector<TMark> marks);
    void clear() { setMarks({}); }
    // Marks in the order given to setMarks, moved by the edits since.
    const std::vector<TMark>& marks() const { return marks_; }
    // The mark under a document position (the first one given when marks overlap); -1: none.
    int markAt(int position) const;

    // Paints the marks of the visible lines into area. Called from the editor's paint event.
    void paint(QPainter& painter, const QRegion& area,
               const std::vector<TDisplayLine>& lines) const;

private:
    void contentsChange(int position, int removed, int added);

    QPlainTextEdit* edit_;
    std::vector<TMark> marks_;
    std::vector<int> order_; ///< indices of marks_ by position
    int longest_ = 0;        ///< longest mark, to find the marks that reach into a line
};
