#pragma once

#include "document/core/RecoveryCopy.h"
#include "platform/FontAttributes.h"

#include <QString>

#include <functional>

// The state of a common file dialog, kept between showings as the toolkit's dialog components keep
// it. Filter is "Description|pattern" pairs joined by "|" ("Fichiers texte|*.txt").
struct TFileDialog {
    QString filter;
    QString initialDir;
    QString fileName; ///< full path after a confirmed choice
    QString title;    ///< empty: the platform's default title
    QString defaultExt;
    bool readOnlyShown = false;
    bool readOnlyChecked = false;
    bool overwritePrompt = false;
};

// The common dialogs, behind an interface that tests answer. Each returns true when the author
// confirmed and then updates its argument.
class TDialogs {
public:
    virtual ~TDialogs() = default;
    virtual bool executeOpen(TFileDialog& dialog) = 0;
    virtual bool executeSave(TFileDialog& dialog) = 0;
    // The picture-open dialog with a preview pane.
    virtual bool executePicture(TFileDialog& dialog) = 0;
    // The font dialog with its effects group and no size limits.
    virtual bool executeFont(TFontAttributes& font) = 0;
    // A folder to write into: starts in initialDir, shows title, and offers to make a new folder;
    // the chosen folder's full path goes into fileName. Dialogs that have no such box answer as if
    // cancelled.
    virtual bool executeFolder(TFileDialog& dialog) {
        (void)dialog;
        return false;
    }
    // The Go To Line box: a line number from 1 to lineCount, starting at `line`; a number outside
    // that range is refused in the box. Dialogs that have no such box answer as if cancelled.
    virtual bool executeGoToLine(int lineCount, int& line) {
        (void)lineCount;
        (void)line;
        return false;
    }
    // The Rename Target box: the new name of a target, starting as `name` all selected; Enter
    // accepts, Esc cancels. A name `refusal` has a message for is not taken: the box shows the
    // message and stays open. Dialogs that have no such box answer as if cancelled.
    using TRefusal = std::function<QString(const QString& name)>;
    virtual bool executeRename(QString& name, const TRefusal& refusal) {
        (void)name;
        (void)refusal;
        return false;
    }
    // The list of recovery copies left at start (more than one): what to do with which. Dialogs
    // that have no such list answer Later.
    virtual recovery::TListDecision
    executeRecoveryList(const std::vector<recovery::TListedCopy>& copies) {
        (void)copies;
        return {};
    }
};
