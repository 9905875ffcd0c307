// Drives the splitting of page lines into words to check with arbitrary lines and checks what the
// underlines and the context menu rely on: words inside the line, in order and apart, starting
// and ending on a letter, their letters the line's bytes less the codes inside, no digit, and the
// same words whatever lines came before.

#include "markup/core/SpellWords.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const std::string before = fdp.ConsumeRandomLengthString(64);
    const std::string line = fdp.ConsumeRemainingBytesAsString();

    markup::TSpellSplitter splitter;
    splitter.split(before);
    splitter.split(line);
    const int n = static_cast<int>(line.size());
    int last = 0;
    for (const markup::TSpellWord& w : splitter.words()) {
        check(w.offset >= last && w.offset < w.end && w.end <= n);
        last = w.end;
        const std::string_view letters = splitter.letters(w);
        check(static_cast<int>(letters.size()) == w.length && w.length <= w.end - w.offset);
        check(w.joined == (w.length != w.end - w.offset));
        check(letters.front() == line[static_cast<size_t>(w.offset)]);
        check(letters.back() == line[static_cast<size_t>(w.end - 1)]);
        check(markup::isWordByte(static_cast<unsigned char>(letters.front())));
        check(markup::isWordByte(static_cast<unsigned char>(letters.back())));
        for (const char c : letters)
            check(c < '0' || c > '9');
        if (!w.joined)
            check(line.compare(static_cast<size_t>(w.offset), letters.size(), letters) == 0);
        std::string utf8;
        markup::wordToUtf8(letters, utf8);
        check(utf8.size() >= letters.size());
    }
    check(markup::spellWords(line).size() == splitter.words().size());
    return 0;
}
