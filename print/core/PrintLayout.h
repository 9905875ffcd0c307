#pragma once

#include "print/core/PrintDevice.h"

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Lays plain text out on a printer: characters go left to right, a piece that no longer fits is cut
// between two characters and continues at the left edge of the next line, a line that would end
// too close to the bottom starts a new page. Codes of the page markup are not interpreted.
class TPrintLayout {
public:
    // Longest line taken from the document; characters after it are not printed.
    static constexpr std::size_t kMaxLineLength = 4096;

    explicit TPrintLayout(TPrintDevice& device);

    // Prints characters: ordinary ones collect into pieces; tab (9) moves to the next tab stop,
    // carriage return (13) only ends the piece, line feed (10) starts a new line, form feed (12)
    // a new page. The control characters themselves are not printed.
    void printRun(std::u16string_view text);
    void newLine();
    void newPage();

    int x() const { return x_; }
    int y() const { return y_; }
    int lineHeight() const { return lineHeight_; }

    // Where the layout stands, to take it up again later on the same device with restore().
    struct TState {
        int x = 0;
        int y = 0;
        int lineHeight = 0;
    };
    TState state() const { return {x_, y_, lineHeight_}; }
    void restore(const TState& state);

private:
    void outputPiece(std::u16string_view piece);
    void tab();
    // The longest prefix of piece (in code units, never splitting a surrogate pair) no wider than
    // room, with its extent.
    std::size_t fittingPrefix(std::u16string_view piece, int room, TPrintDevice::TExtent& extent);

    TPrintDevice& device_;
    int x_ = 0;          ///< left edge of the next piece on the current line
    int y_ = 0;          ///< top of the current line
    int lineHeight_ = 0; ///< height recorded for the current line; 0 until a piece is printed
};

// The document's lines as they are printed: a last line that is empty is dropped, every line is cut
// to TPrintLayout::kMaxLineLength characters.
std::vector<std::u16string> printSourceLines(std::vector<std::u16string> lines);

// Thrown by printDocument when the progress answered that the author cancelled.
class TPrintCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "print job cancelled"; }
};

// Prints the lines of a document, each followed by CR LF, on a started job, then ends the job. The
// job is ended also when printing fails; the failure is passed on. A progress, when given, hears
// every kPrintProgressStep lines and at the end; when it answers false the job is aborted and
// TPrintCancelled thrown.
void printDocument(TPrintDevice& device, const std::vector<std::u16string>& lines,
                   TPrintProgress* progress = nullptr);
// Runs print on a started job and ends the job as printDocument does: endJob() after it and after
// a failure (which is passed on), abortJob() when it throws TPrintCancelled.
void runPrintJob(TPrintDevice& device, const std::function<void()>& print);
constexpr std::size_t kPrintProgressStep = 64;
