#include "markup/ActionCommands.h"

#include "document/PageText.h"
#include "editor/ColMemo.h"
#include "platform/Dialogs.h"
#include "platform/Prompts.h"

namespace {

std::string toStd(const QString& text) {
    return pagetext::toBytes(text);
}
QString fromStd(const std::string& text) {
    return pagetext::fromBytes(text);
}

// Shows the assistant's dialog, prepared in the order the dialogs expect: folder, then file types.
// Returns false when the author cancelled.
bool runAssistant(const TActionBoxContext& c, actions::TAssistant assistant, QString& path) {
    const actions::TAssistantDialog& how = actions::assistantDialog(assistant);
    TFileDialog& dialog = how.pictureDialog ? c.pictureDialog : c.openDialog;
    if (how.ownFolder)
        dialog.initialDir = c.assistantFolder(assistant);
    if (!how.filter.empty())
        dialog.filter = QString::fromLatin1(how.filter.data(), qsizetype(how.filter.size()));
    const bool chosen =
        how.pictureDialog ? c.dialogs.executePicture(dialog) : c.dialogs.executeOpen(dialog);
    if (!chosen)
        return false;
    path = dialog.fileName;
    return true;
}

void insertChosen(const TActionBoxContext& c, int index, bool assistantsOn) {
    if (!actions::isActionIndex(index))
        return;
    const actions::TAction& action = actions::actionAt(index);
    std::string actionText;
    if (action.assistant != actions::TAssistant::None && assistantsOn) {
        QString path;
        if (!runAssistant(c, action.assistant, path))
            return;
        if (const QString why = unquotablePathReason(path); !why.isEmpty()) {
            c.prompts.warning(why);
            return;
        }
        actionText = actions::assistedText(index, toStd(path));
    } else {
        actionText = actions::defaultText(index);
    }
    // The selection is read only now: it is the one the author sees after the dialog closed.
    const std::string link = actions::link(toStd(c.editor.SelText()), actionText);
    c.editor.ReplaceSel(fromStd(link));
}

} // namespace

QString unquotablePathReason(const QString& path) {
    if (!actions::canQuote(toStd(path)))
        return QStringLiteral("The file name \"%1\" holds a double quote, which cannot be written "
                              "into an action. Rename the file and choose it again.")
            .arg(path);
    for (QChar ch : path)
        if (!pagetext::isPageCharacter(ch))
            return QStringLiteral("The file name \"%1\" holds characters that a page cannot "
                                  "store. Rename the file and choose it again.")
                .arg(path);
    return {};
}

void resetOpenDialog(const TActionBoxContext& c) {
    c.openDialog.initialDir = c.assistantFolder(actions::TAssistant::Text);
    c.openDialog.filter = "Text Files|*.txt";
    c.openDialog.fileName.clear();
    c.editor.setFocus();
}

void insertActionLink(const TActionBoxContext& c, int index, bool assistantsOn) {
    try {
        insertChosen(c, index, assistantsOn);
    } catch (...) {
        resetOpenDialog(c);
        throw;
    }
    resetOpenDialog(c);
}
