#pragma once

#include <QString>

// Page files on disk. Failures throw TLpError with the text the author sees.

// A page as loaded: the text in the editor's form ('\n' between lines, every character a page
// character) and where it was cut.
struct TPageText {
    QString text;
    qint64 zeroOffset = -1; ///< offset of the first zero byte, where the text ends; -1 when none
};

// Reads the whole page. Throws "Impossible d'ouvrir le fichier <path>" when the file cannot be
// opened or read, and "Le texte dépasse la capacité du mémo" when its text is longer than
// pagefile::kCapacity bytes.
TPageText loadPageFile(const QString& path);

// Writes the text as a page (line breaks as CR LF, no line break added after the last line). The
// file is replaced in one step once the new text is completely written; after a failure the
// previous file is left as it was. Symbolic links are followed and the file's permissions kept.
// Throws "Impossible de créer le fichier <path>" when the file cannot be created or replaced and
// "Erreur d'écriture dans le flux" when writing fails.
void savePageFile(const QString& path, const QString& text);
