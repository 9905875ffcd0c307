#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

class TDialogs;
class TLpIniCtrl;
class TPrintService;
class TPrompts;
namespace bookexport {
struct TExportNote;
}

// The answer when an untitled page is asked to export its book.
QString untitledBookNote();

// Why the site cannot go into this folder (the book's own folder or a folder inside it, where the
// site's files would mix with the pages), or empty when it can. Both paths are compared once
// symbolic links and "." or ".." are resolved, as far as they exist.
QString refusedExportFolder(const QString& bookFolder, const QString& folder);

// The notes of an export as one box lists them: a line for each, "page, line n: message"; past
// kMaxListedNotes, a last line counts the rest.
inline constexpr int kMaxListedNotes = 40;
QString exportNotesText(const std::vector<bookexport::TExportNote>& notes);

struct TBookExportContext {
    TDialogs& dialogs;
    TPrompts& prompts;
    TPrintService& printing; ///< its progress indicator shows while the book is written
    TLpIniCtrl& settings;    ///< the last output folder
    QString pagePath;        ///< the open page's file; empty when it is untitled
    std::string pageBytes;   ///< the open page's text as the document holds it
    // Told the folder once the site is written, before the box of the export's notes shows.
    std::function<void(const QString& folder)> exported;
};

// File > Export Book as HTML: asks for the output folder (starting in the last one used), then
// writes the book of the open page there as a site. The book's pages are read and the site written
// on a thread of their own while the progress indicator shows; Cancel stops before the index is
// written. The open page's text comes from the document, not from its file. The notes of the export
// are listed in one box. Returns whether the site was written (not when cancelled or refused). A
// failure throws TLpError naming the path and the reason.
bool exportBookAsHtml(TBookExportContext context);
