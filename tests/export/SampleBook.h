#pragma once

// A book for the export's tests: every action word, every code, nested and unbalanced codes,
// hostile text, file arguments that lead out of the book, names with spaces and accents. Written
// into a folder with the files its pages use; the pages come back in the book's order.

#include "export/core/BookExport.h"
#include "markup/core/Actions.h"
#include "markup/core/PageMarkup.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace samplebook {

inline void put(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::vector<bookexport::TExportPage> write(const std::filesystem::path& book) {
    namespace fs = std::filesystem;
    fs::create_directories(book / "media");
    put(book / "media" / "Ph\xC3\xA9nix rouge.png", "\x89PNG\r\n\x1a\n not really a picture");
    put(book / "Chant.wav", "RIFF....WAVE");
    put(book / "clip.mp4", "....ftypmp42");
    put(book / "notes.txt", "Notes \xE9t\xE9 \x93quoted\x94\r\n<script>x</script>\r\n");
    fs::create_symlink("/etc/hostname", book / "outside.txt");

    // Every action word, each file argument naming a file of the book.
    const auto fileFor = [](actions::TAssistant a) -> std::string {
        switch (a) {
        case actions::TAssistant::Picture:
            return "media\\Ph\xE9nix rouge.png";
        case actions::TAssistant::Sound:
            return "Chant.wav";
        case actions::TAssistant::Video:
            return "clip.mp4";
        case actions::TAssistant::Text:
            return "notes.txt";
        default:
            return "calc.exe";
        }
    };
    std::string first = "^C^F24Le d\xE9"
                        "but^f^c\r\n^MTop^m";
    for (int k = 0; k < actions::kActionCount; ++k) {
        const actions::TAction& a = actions::actionAt(k);
        std::string text = a.assistant == actions::TAssistant::None
                               ? actions::defaultText(k)
                               : actions::assistedText(k, fileFor(a.assistant));
        if (a.word == "GotoPage")
            text = "=GotoPage \"page 2\"^l";
        first += "\r\n" + actions::link(std::string(a.word) + " [Var]", text);
    }
    // Every code, alone and nested in all others.
    for (const markup::TCodePair& c : markup::kCaretCodes) {
        first += "\r\n" + std::string(c.opening) +
                 (c.opening == "^F"   ? "18"
                  : c.opening == "^P" ? "9"
                                      : "") +
                 std::string(c.name) + " ^B^I^U^X^R" + std::string(c.name) + "^r^x^u^i^b" +
                 std::string(c.opening == "^L" ? "=:Top" : "") + std::string(c.closing);
    }
    for (int color = 0; color < markup::kPageColorCount; ++color)
        first += "^P" + std::to_string(color) + "c" + std::to_string(color) + "^R inverse^r^p";
    first += "\r\n^T12tab^Tand^t again^t\r\n[Name] and ^L^Lnested=:Top^l outer=:Top^l";

    std::vector<bookexport::TExportPage> pages;
    pages.push_back({"D\xC3\xA9"
                     "but du livre.txt",
                     "D\xC3\xA9"
                     "but du livre",
                     first});
    pages.push_back({"Page 2.txt", "Page 2",
                     "^B never closed ^i stray ^F999 size^f ^P99 colour^p ^Q unknown ^T\r\n"
                     "^MHere^m ^MHere^m ^M^m ^LMissing=:Nowhere^l ^LNo action^l\r\n"
                     "^L^UAcross\r\nlines^u=:Here^l ^LUnfinished=GotoPage \"x\r\n"
                     "\r\n^LBack=GotoPrevPage^l ^LOn=GotoNextPage^l ^Lnever closed"});
    pages.push_back(
        {"<b>&amp; \"q\".txt", "<b>&amp; \"quoted\" 'page'",
         "<script>alert('x')</script> &amp; &lt; \"q\" 'a' \x01\x7F\x80\x81\x93\x94\xE9\xFF\r\n"
         "^LJS=InternetLink \"javascript:alert(1)\"^l "
         "^LWeb=InternetLink \"http://exa mple.com/a b?x=\"y\"&z<1>\"^l "
         "^LMail=InternetLink \"mailto:a@example.com\"^l "
         "^LOut=TextWindow \"T\" \"-1\" \"-1\" \"350\" \"400\" \"../../../../etc/passwd\" \"W\"^l "
         "^LLink=TextWindow \"T\" \"-1\" \"-1\" \"350\" \"400\" \"outside.txt\" \"W\"^l "
         "^LZero=PlaySoundFile \"/dev/zero\" \"Mode\"^l "
         "^LGone=ImageWindow \"T\" \"-1\" \"-1\" \"gone.png\"^l "
         "^LNo page=GotoPage \"Nowhere\"^l ^L<i>=GotoPage \"INDEX\"^l\r\n"
         "^Mx\" onmouseover=\"alert(1)^m ^Lq=:x\" onmouseover=\"alert(1)^l"});
    pages.push_back({"index.txt", "index", "A page named like the contents."});
    pages.push_back({"Fin.txt", "Fin",
                     "^LFirst=GotoPage \"D\xE9"
                     "but du livre\"^l "
                     "^LNone=GotoNextPage^l"});
    return pages;
}

} // namespace samplebook
