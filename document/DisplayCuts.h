#pragma once

#include "document/core/CutIndex.h"

#include <QObject>
#include <QString>
#include <QTextCursor>

#include <vector>

class QTextBlock;
class QTextDocument;

// The display blocks of a page document's long lines (see TCutIndex): cuts them as text comes in,
// keeps their index through edits, undo and redo, and reads the text without them.
//
// A cut is known only to this index, never marked in the document: paragraph formats follow the
// toolkit's own rules when paragraphs are split and joined, which would carry a mark to the wrong
// paragraph. So the index follows every change: a paragraph separator typed or inserted is a line
// break unless it came through insertText here, and undo and redo (which must come through undo()
// and redo() here) give back the index of the state they return to.
class TDisplayCuts : public QObject {
    Q_OBJECT
public:
    // Becomes a child of the document; one per document.
    explicit TDisplayCuts(QTextDocument* document);
    // Whether text (lines separated by "\n") holds a line that insertText would cut.
    static bool hasLongLine(QStringView text);

    const TCutIndex& index() const { return index_; }
    bool empty() const { return index_.empty(); }

    // Writes text (lines separated by "\n") in place of the cursor's selection, cutting the lines
    // it leaves longer than TCutIndex::kLongestUncutLine. The caller's edit block, if any, holds it
    // all.
    void insertText(QTextCursor& cursor, const QString& text);
    // Before an edit that changes text in several places at once (the document then reports one
    // change from the first place to the last): keeps the cuts that the edit leaves standing.
    void keepCuts();
    // Takes back or redoes a step, with its cuts.
    void undo();
    void redo();

    // The text without cuts, paragraphs separated by U+2029 as in QTextDocument::toRawText; or the
    // characters between two document positions.
    QString rawText() const;
    QString rawText(int from, int to) const;
    // Document position <-> position in rawText().
    int textPosition(int position) const;
    int documentPosition(int textPosition) const;
    // The line and column (from 0, counted without cuts) of a document position.
    struct TLineColumn {
        int line = 0, column = 0;
    };
    TLineColumn lineColumn(int position) const;
    // Positions of the separators that are cuts, in order.
    std::vector<int> cutPositions() const;

private:
    void changed(int position, int removed, int added);
    void keep(int separator);
    void remember();
    void restore(bool final);

    QTextDocument* document_;
    TCutIndex index_;
    int blockCount_ = 1;
    bool restoring_ = false;
    std::vector<QTextCursor> pending_; ///< cuts not yet counted, their separators selected
    struct TState {
        TCutIndex index;
        int blockCount = -1;
    };
    std::vector<TState> states_; ///< by the document's undo index
};
