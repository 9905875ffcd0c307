#pragma once

#include <QPoint>

class QPlainTextEdit;
class QTextDocument;

// Answers the edit-control questions about a QPlainTextEdit in the program's offsets: 0-based, a
// line break counting as the two characters CR LF. Lines are display lines when word wrap is on.
class TEditAdapter {
public:
    explicit TEditAdapter(const QPlainTextEdit* edit);

    // Position in the QTextDocument <-> CR LF offset.
    int offsetFromPosition(int position) const;
    int positionFromOffset(int offset) const;

    // Length of the whole text in CR LF offsets.
    int textLength() const;

    // Logical lines (the text's own lines, paragraphs of the document).
    int logicalLineCount() const;

private:
    const QPlainTextEdit* edit_;
    const QTextDocument* doc() const;
};
