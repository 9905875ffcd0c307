// Page file codec: decoding any bytes and encoding the result again gives the bytes back with
// every line break written as CR LF, the text cut at the first zero byte, and nothing else
// changed; the encoder's size matches what it writes.
#include "document/core/PageFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const pagefile::TTextExtent extent = pagefile::textExtent(bytes, size);
    if (extent.length > size)
        std::abort();

    std::vector<char16_t> text(extent.length + 1);
    const size_t units = pagefile::decode(bytes, extent.length, text.data());
    if (units > extent.length)
        std::abort();

    // What the page should look like once saved.
    std::string expected;
    for (size_t i = 0; i < extent.length; ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            expected += "\r\n";
            if (bytes[i] == '\r' && i + 1 < extent.length && bytes[i + 1] == '\n')
                ++i;
        } else {
            expected += bytes[i];
        }
    }
    const size_t encodedSize = pagefile::encodedSize(text.data(), units);
    std::string encoded(encodedSize + 1, '#');
    if (pagefile::encode(text.data(), units, encoded.data()) != 0)
        std::abort(); // every decoded character has a page byte
    if (encoded[encodedSize] != '#')
        std::abort(); // wrote past the size it announced
    encoded.resize(encodedSize);
    if (encoded != expected)
        std::abort();

    // Arbitrary UTF-16 (the fuzz bytes read as units) encodes within the announced size.
    const size_t n = size / 2;
    std::vector<char16_t> wide(n + 1);
    for (size_t i = 0; i < n; ++i)
        wide[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    const size_t wideSize = pagefile::encodedSize(wide.data(), n);
    std::string out(wideSize + 1, '#');
    pagefile::encode(wide.data(), n, out.data());
    if (out[wideSize] != '#')
        std::abort();
    return 0;
}
