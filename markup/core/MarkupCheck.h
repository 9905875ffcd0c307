#pragma once

// The markup checker: reads a page and lists what a reader program would stumble on (codes without
// their other half, numbers that run into the text, broken action links, variables without their
// bracket, files that are not there). It only reads; the text is never changed. Plain C++, no Qt.
//
// The page is single-byte text (page code page); line breaks are CR LF or LF. Offsets and lengths
// are byte offsets into the text given, so for CR LF text they are the editor's offsets.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace markup {

enum class TLevel { Problem, Warning, Note };
inline constexpr int kLevelCount = 3;

struct TFinding {
    int offset = 0; ///< first byte the finding is about
    int length = 0; ///< bytes from offset; at least 1 unless the page is empty
    int line = 1;   ///< 1-based
    int column = 1; ///< 1-based, in characters
    TLevel level = TLevel::Problem;
    std::string message; ///< short English sentence
};

// A full path in a file argument, for the caller to look up (see fileFinding).
struct TFileRef {
    TFinding where;   ///< the path's position; level and message unset
    std::string path; ///< the argument's bytes, page code page
};

struct TCheckResult {
    std::vector<TFinding> findings; ///< in page order
    std::vector<TFileRef> files;    ///< in page order
    bool truncated = false;         ///< more findings were found than kept
    int counts[kLevelCount] = {};
    int count(TLevel level) const { return counts[static_cast<int>(level)]; }
};

// Checks a page. Keeps at most maxFindings findings, the first ones in page order.
TCheckResult checkMarkup(std::string_view page, std::size_t maxFindings = 10000);

// What became of looking up a file.
enum class TFileState { Present, Missing, NoAnswer };

// The finding for a file that is missing or whose look-up gave no answer in time; nothing for a
// present file.
std::optional<TFinding> fileFinding(const TFileRef& ref, TFileState state);
// Puts a finding into result in page order and counts it.
void addFinding(TCheckResult& result, TFinding finding);

// Looks a page path up in the file system, its bytes read as the page code page and named in the
// system's encoding (UTF-8). Can block on a slow or vanished network folder: call it from a worker.
bool pageFileExists(std::string_view path);

// "problem", "warning", "note".
std::string_view levelName(TLevel level);
// The counts in words, leaving out the levels with none: "3 problems, 1 warning"; "no findings".
std::string countsText(const TCheckResult& result);
// One finding on one line: "line:column+length level: message".
std::string findingLine(const TFinding& f);

} // namespace markup
