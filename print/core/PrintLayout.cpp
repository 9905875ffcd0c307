#include "print/core/PrintLayout.h"

#include <algorithm>

namespace {

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// A cut at n code units that does not split a surrogate pair: moved one unit back if it would.
std::size_t characterBoundary(std::u16string_view text, std::size_t n) {
    if (n > 0 && n < text.size() && isHighSurrogate(text[n - 1]) && isLowSurrogate(text[n]))
        return n - 1;
    return n;
}

// The length of the first character of text: two code units for a surrogate pair.
std::size_t firstCharacterLength(std::u16string_view text) {
    if (text.size() >= 2 && isHighSurrogate(text[0]) && isLowSurrogate(text[1]))
        return 2;
    return std::min<std::size_t>(1, text.size());
}

} // namespace

TPrintLayout::TPrintLayout(TPrintDevice& device) : device_(device) {}

void TPrintLayout::printRun(std::u16string_view text) {
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c != u'\t' && c != u'\r' && c != u'\n' && c != u'\f')
            continue;
        outputPiece(text.substr(pieceStart, i - pieceStart));
        pieceStart = i + 1;
        if (c == u'\t')
            tab();
        else if (c == u'\n')
            newLine();
        else if (c == u'\f')
            newPage();
    }
    outputPiece(text.substr(pieceStart));
}

void TPrintLayout::tab() {
    // Tab stops every eight average characters; the next stop is the first one beyond X + 1.
    const int stop = std::max(1, 8 * device_.averageCharWidth());
    x_ = ((x_ + 1) / stop + 1) * stop;
    if (x_ > device_.pageWidth())
        newLine();
}

std::size_t TPrintLayout::fittingPrefix(std::u16string_view piece, int room,
                                        TPrintDevice::TExtent& extent) {
    extent = device_.measure(piece);
    if (extent.width <= room)
        return piece.size();
    // Dropping the last character until the rest fits, one measure per character, is quadratic
    // on a long line; a prefix never gets narrower when a character is added, so the longest
    // fitting prefix can be searched for instead. lo always fits, hi never does.
    std::size_t lo = 0, hi = piece.size();
    TPrintDevice::TExtent loExtent = device_.measure(piece.substr(0, 0));
    while (hi - lo > 1) {
        std::size_t mid = characterBoundary(piece, lo + (hi - lo) / 2);
        if (mid <= lo)
            mid = lo + firstCharacterLength(piece.substr(lo));
        if (mid >= hi)
            break;
        const TPrintDevice::TExtent e = device_.measure(piece.substr(0, mid));
        if (e.width <= room) {
            lo = mid;
            loExtent = e;
        } else {
            hi = mid;
        }
    }
    extent = loExtent;
    return lo;
}

void TPrintLayout::outputPiece(std::u16string_view piece) {
    while (!piece.empty()) {
        TPrintDevice::TExtent extent;
        std::size_t n = fittingPrefix(piece, device_.pageWidth() - x_, extent);
        if (n == 0 && x_ == 0) {
            // A character wider than the whole line would never fit: it gets a line of its own
            // and is cut off at the right edge of the paper.
            n = firstCharacterLength(piece);
            extent = device_.measure(piece.substr(0, n));
        }
        if (extent.height > lineHeight_)
            lineHeight_ = extent.height + 2;
        if (n > 0)
            device_.drawText(x_, y_, piece.substr(0, n));
        if (n == piece.size()) {
            x_ += extent.width;
            return;
        }
        newLine();
        piece.remove_prefix(n);
    }
}

void TPrintLayout::newLine() {
    x_ = 0;
    y_ += lineHeight_ != 0 ? lineHeight_ : device_.charHeight();
    if (y_ > device_.pageHeight() - 2 * lineHeight_)
        newPage();
    lineHeight_ = 0;
}

void TPrintLayout::newPage() {
    x_ = 0;
    y_ = 0;
    device_.newPage();
}

std::vector<std::u16string> printSourceLines(std::vector<std::u16string> lines) {
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    for (std::u16string& line : lines)
        if (line.size() > TPrintLayout::kMaxLineLength)
            line.resize(characterBoundary(line, TPrintLayout::kMaxLineLength));
    return lines;
}

void TPrintLayout::restore(const TState& state) {
    x_ = state.x;
    y_ = state.y;
    lineHeight_ = state.lineHeight;
}

void runPrintJob(TPrintDevice& device, const std::function<void()>& print) {
    try {
        print();
    } catch (const TPrintCancelled&) {
        try {
            device.abortJob();
        } catch (...) {
        }
        throw;
    } catch (...) {
        // What was printed before the failure still goes to the printer.
        try {
            device.endJob();
        } catch (...) {
        }
        throw;
    }
    device.endJob();
}

void printDocument(TPrintDevice& device, const std::vector<std::u16string>& lines,
                   TPrintProgress* progress) {
    runPrintJob(device, [&] {
        const std::size_t total = lines.size();
        TPrintLayout layout(device);
        for (std::size_t i = 0; i < total; ++i) {
            if (progress && i % kPrintProgressStep == 0 && !progress->advance(i, total))
                throw TPrintCancelled();
            layout.printRun(lines[i]);
            layout.printRun(u"\r\n");
        }
        if (progress && !progress->advance(total, total))
            throw TPrintCancelled();
    });
}
