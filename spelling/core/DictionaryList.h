#pragma once

// The dictionaries installed on the system, found in the standard places, and the one to use at
// first start. Plain C++.

#include <string>
#include <string_view>
#include <vector>

namespace spelling {

struct TDictionaryInfo {
    std::string tag;     ///< "fr_FR", "en_US", "fr"
    std::string affPath; ///< its .aff file; the .dic file is beside it
    // "Français (fr_FR)": the language's own name and the tag (UTF-8).
    std::string label() const;
};

// The folders searched, in order: each folder of XDG_DATA_DIRS (default "/usr/local/share:
// /usr/share") with "/hunspell" added, then /usr/share/hunspell and /usr/share/myspell. A folder
// named twice is searched once. DICPATH, when set, names the folders instead (a list like
// XDG_DATA_DIRS's), as for the other programs that read these dictionaries.
std::vector<std::string> dictionaryFolders(const char* xdgDataDirs, const char* dicPath = nullptr);

// The dictionaries in the folders: a .aff file with its .dic beside it, hyphenation and thesaurus
// files left out. A tag found in two folders is the first folder's. Sorted by label.
std::vector<TDictionaryInfo> findDictionaries(const std::vector<std::string>& folders);

// The language's own name for a tag's language ("fr_BE" -> "Français"); the tag itself for a
// language not known here.
std::string languageName(std::string_view tag);

// The tag to use when none was chosen: the desktop's language ("fr_FR.UTF-8", "fr") when a
// dictionary for it is there (its region first, then any of the language), else English (en_US
// first), else the first one; empty when there is none.
std::string defaultTag(const std::vector<TDictionaryInfo>& dictionaries, std::string_view locale);

// The dictionary of a tag, or null.
const TDictionaryInfo* findTag(const std::vector<TDictionaryInfo>& dictionaries,
                               std::string_view tag);

} // namespace spelling
