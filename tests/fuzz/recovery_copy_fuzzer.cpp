// Recovery copies: reading any bytes never reads outside them, and whatever is taken for a sound
// copy is written back by copyHeader() into a copy that reads the same.
#include "document/core/RecoveryCopy.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const recovery::TParsedCopy copy = recovery::parseCopy(bytes, size, 1 << 16);
    if (!copy.ok)
        return 0;
    if (copy.bodyOffset > size || copy.bodySize != size - copy.bodyOffset)
        std::abort();
    const std::string body(bytes + copy.bodyOffset, copy.bodySize);
    const std::string again = recovery::copyHeader(copy.header, body.data(), body.size()) + body;
    const recovery::TParsedCopy back = recovery::parseCopy(again.data(), again.size(), 1 << 16);
    if (!back.ok || back.header.path != copy.header.path ||
        back.header.timeMs != copy.header.timeMs || !(back.header.page == copy.header.page) ||
        again.substr(back.bodyOffset) != body)
        std::abort();
    return 0;
}
