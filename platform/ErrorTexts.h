#pragma once

#include <QStringView>

// The toolkit's error texts, in French as its error boxes show them: the one place they are
// written. %1 stands for what a text names (errortext::cannotCreateFile.arg(path)). The error box
// adds the final "." (see errorBoxText); details that follow on lines of their own are the
// program's, in English.
namespace errortext {

// Files.
inline constexpr QStringView cannotOpenFile = u"Impossible d'ouvrir le fichier %1";
inline constexpr QStringView cannotCreateFile = u"Impossible de créer le fichier %1";
inline constexpr QStringView streamWriteError = u"Erreur d'écriture dans le flux";
inline constexpr QStringView memoCapacityExceeded = u"Le texte dépasse la capacité du mémo";

// Memory.
inline constexpr QStringView outOfMemory = u"Mémoire insuffisante";

// Printing.
inline constexpr QStringView printError = u"Erreur d'impression";
inline constexpr QStringView invalidPrinter = u"Imprimante sélectionnée incorrecte";
inline constexpr QStringView noDefaultPrinter = u"Aucune imprimante par défaut sélectionnée";

// Settings.
inline constexpr QStringView cannotWriteTo = u"Impossible d'écrire dans %1";
inline constexpr QStringView keyNotCreated = u"Echec à la création de la clé %1";
inline constexpr QStringView dataNotSet = u"Echec à la définition des données pour '%1'";
inline constexpr QStringView wrongDataType = u"Type de données incorrect pour '%1'";
inline constexpr QStringView notAnInteger = u"'%1' n'est pas une valeur entière correcte";

} // namespace errortext
