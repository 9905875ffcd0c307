#pragma once

// The names under which the program keeps its settings. Every read and write of the program's
// own settings names its section: the store's remembered section is only for callers that leave
// the section empty on purpose.

#include <QString>

namespace settingsKeys {

// The window size, the editor font, the Assistants switch, spelling and the favourite folders.
inline const QString kSection = QStringLiteral("Settings");
// The recent-files list.
inline const QString kRecentFilesSection = QStringLiteral("MRUList");

inline const QString kHeight = QStringLiteral("Height");
inline const QString kWidth = QStringLiteral("Width");
inline const QString kAssistants = QStringLiteral("Assists");
inline const QString kFont = QStringLiteral("Font");
// Spelling while typing: on or off, and the tag of the dictionary chosen ("fr_FR").
inline const QString kSpellCheck = QStringLiteral("SpellCheck");
inline const QString kSpellLanguage = QStringLiteral("SpellLanguage");
// The favourite folders' keys are in favouriteFolderRow (settings/FolderCommands.h).

} // namespace settingsKeys
