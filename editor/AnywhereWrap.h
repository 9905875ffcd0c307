#pragma once

#include <QObject>
#include <QTextCursor>

class QPlainTextEdit;

// Keeps an editor's word wrap from freezing on a paragraph with no place to break a line: while
// the document holds a run longer than kLongestUnbroken without a break opportunity, word wrap
// breaks lines anywhere (ordinary words may then be cut at the right edge); once no such run is
// left, it breaks at word boundaries again. Each change looks only at the paragraphs it touched,
// and at one paragraph known to hold such a run; the whole document is looked through only when
// that paragraph loses its run.
class TAnywhereWrap : public QObject {
public:
    explicit TAnywhereWrap(QPlainTextEdit& edit);

    bool active() const { return active_; }

private:
    void contentsChanged(int position, int removed, int added);
    bool blockHasRun(const QTextBlock& block) const;
    void setActive(bool on);

    QPlainTextEdit& edit_;
    QTextCursor known_; ///< in a paragraph with a long run, while active
    bool active_ = false;
};
