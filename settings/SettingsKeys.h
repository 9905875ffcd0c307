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
// Where the author left each of the last pages opened (settings/PagePositions.h).
inline const QString kPositionsSection = QStringLiteral("Positions");

inline const QString kHeight = QStringLiteral("Height");
inline const QString kWidth = QStringLiteral("Width");
// The window maximised at the last close; Height and Width keep its size before it was maximised.
inline const QString kMaximized = QStringLiteral("Maximized");
inline const QString kAssistants = QStringLiteral("Assists");
inline const QString kFont = QStringLiteral("Font");
// Spelling while typing: on or off, and the tag of the dictionary chosen ("fr_FR").
inline const QString kSpellCheck = QStringLiteral("SpellCheck");
inline const QString kSpellLanguage = QStringLiteral("SpellLanguage");
// The outline panel shown; completion as the author types; no-break spaces of French typing.
inline const QString kOutline = QStringLiteral("Outline");
inline const QString kCompletion = QStringLiteral("Completion");
inline const QString kFrenchSpacing = QStringLiteral("FrenchSpacing");
// The pages panel (the open page's book) shown.
inline const QString kPages = QStringLiteral("Pages");
// The outline's share of the window's width, in thousandths (app/DockLayout.h).
inline const QString kOutlineShare = QStringLiteral("OutlineShare");
// The page preview: whether its dock shows, its share of the window's width in thousandths, and
// its font when one was chosen (in the same form as Font). PreviewWidth, its width in pixels, is
// still written for earlier versions, and read when no share is stored.
inline const QString kPreview = QStringLiteral("Preview");
inline const QString kPreviewShare = QStringLiteral("PreviewShare");
inline const QString kPreviewWidth = QStringLiteral("PreviewWidth");
inline const QString kPreviewFont = QStringLiteral("PreviewFont");
// The folder the book was last exported into as HTML.
inline const QString kExportFolder = QStringLiteral("ExportFolder");
// The favourite folders' keys are in favouriteFolderRow (settings/FolderCommands.h).

} // namespace settingsKeys
