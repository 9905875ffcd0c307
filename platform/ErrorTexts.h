#pragma once

#include <QString>

// The toolkit's error texts, in French as its error boxes show them: the one place they are
// written. %1 stands for what a text names (errortext::cannotCreateFile.arg(path)). The error box
// adds the final "." (see errorBoxText); details that follow on lines of their own are the
// program's, in English.
namespace errortext {

// Files.
inline const QString cannotOpenFile = QStringLiteral("Impossible d'ouvrir le fichier %1");
inline const QString cannotCreateFile = QStringLiteral("Impossible de créer le fichier %1");
inline const QString streamWriteError = QStringLiteral("Erreur d'écriture dans le flux");
inline const QString memoCapacityExceeded = QStringLiteral("Le texte dépasse la capacité du mémo");

// Memory.
inline const QString outOfMemory = QStringLiteral("Mémoire insuffisante");

// Printing.
inline const QString printError = QStringLiteral("Erreur d'impression");
inline const QString invalidPrinter = QStringLiteral("Imprimante sélectionnée incorrecte");
inline const QString noDefaultPrinter = QStringLiteral("Aucune imprimante par défaut sélectionnée");

// Settings.
inline const QString cannotWriteTo = QStringLiteral("Impossible d'écrire dans %1");
inline const QString keyNotCreated = QStringLiteral("Echec à la création de la clé %1");
inline const QString dataNotSet = QStringLiteral("Echec à la définition des données pour '%1'");
inline const QString wrongDataType = QStringLiteral("Type de données incorrect pour '%1'");
inline const QString notAnInteger = QStringLiteral("'%1' n'est pas une valeur entière correcte");

} // namespace errortext
