#pragma once

#include "platform/EditAdapter.h"
#include "platform/FontSpec.h"

#include <QPlainTextEdit>
#include <QStringList>

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// The highlighting editor: a QPlainTextEdit with the edit-control operations the program uses.
// Offsets are 0-based and a line break counts as the two characters CR LF. Every character in it
// is one of the page code page's; others become "?" as they enter.
class TColorMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TColorMemo(QWidget* owner = nullptr);
    ~TColorMemo() override;

    // Selection, in CR LF offsets.
    int SelStart() const;
    void SetSelStart(int offset); ///< moves the caret there, nothing selected
    int SelLength() const;
    void SetSelLength(int length); ///< selects from the selection start
    QString SelText() const;       ///< line breaks as CR LF
    // Writes text (line breaks as CR LF) in place of the selection, leaving the caret right after
    // it with nothing selected. Recorded as one undo step that restores the selection.
    void ReplaceSel(const QString& text);
    // Takes back the last undo step. A step of ReplaceSel selects the replaced text again (the
    // text document alone would only put the caret after it). Ctrl+Z and the context menu's Undo
    // come here.
    void Undo();

    // The whole text with CR LF line breaks; SetText replaces it, clears the modified flag and
    // the undo history.
    QString Text() const;
    void SetText(const QString& text);
    void Clear();
    // Lines: the text's lines, or with word wrap on the lines as displayed.
    int LineCount() const;
    QStringList Lines() const;

    bool Modified() const;
    void SetModified(bool modified);

    TFontSpec EditorFont() const { return font_; }
    void SetEditorFont(const TFontSpec& font);

    bool WordWrap() const;
    void SetWordWrap(bool on);
    void SetScrollBars(TScrollStyle style);

    const TEditAdapter& adapter() const { return adapter_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool event(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    TEditAdapter adapter_;
    TFontSpec font_;
};

// The text as the page code page can hold it: characters without a page byte become "?", and
// line and paragraph separators and lone CRs become the editor's line breaks ("\n").
QString toPageText(const QString& text);
