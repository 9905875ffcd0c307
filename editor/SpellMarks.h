#pragma once

#include <QObject>
#include <QRegion>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPainter;
class QPlainTextEdit;
class QTextBlock;
struct TDisplayLine;

// The red wavy underlines of misspelt words, drawn over the visible lines only: the words are
// found for a line when it is painted, by a finder that spelling gives. A smooth red wave under
// the glyphs, lower than the markup checker's sharp one so that both show on one word.
//
// The word being typed is not underlined until the caret leaves it.
class TSpellMarks : public QObject {
    Q_OBJECT
public:
    // A misspelt word: characters [from, to) of a block (absolute document positions from
    // wordAt); joined when a code stands inside it.
    struct TSpan {
        int from = 0;
        int to = 0;
        bool joined = false;
    };
    // Finds the misspelt words of a block's text, given as page bytes.
    using TFinder = std::function<void(const std::string& bytes, std::vector<TSpan>& out)>;

    explicit TSpellMarks(QPlainTextEdit* edit);

    // Empty: no underlines. Repaints.
    void setFinder(TFinder finder);
    bool active() const { return static_cast<bool>(finder_); }
    // Repaints the visible lines, as after the words known changed.
    void refresh();
    // Repaints the visible lines that show one of these words (page bytes), as after they were
    // found misspelt; the word being typed waits for the caret to leave it.
    void refreshWords(const std::vector<std::string>& words);

    void paint(QPainter& painter, const QRegion& area,
               const std::vector<TDisplayLine>& lines) const;
    // The underlined word at a document position (from its start to its end, both included), in
    // document positions; nothing when none.
    std::optional<TSpan> wordAt(int position) const;
    // The spans of a block, in positions within the block, as painted (the word being typed left
    // out).
    std::vector<TSpan> spansOf(const QTextBlock& block) const;

private:
    void contentsChange(int position, int removed, int added);
    void caretMoved();
    const std::string& bytesOf(const QTextBlock& block) const;

    QPlainTextEdit* edit_;
    TFinder finder_;
    bool typing_ = false; ///< the last change was typed at the caret, which has not moved since
    int typedAt_ = -1;
    mutable std::string bytes_;
};
