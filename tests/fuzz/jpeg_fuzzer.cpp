// Feeds arbitrary bytes to the preview decoder: it must refuse or decode, never crash, leak, hang
// or take unbounded memory.
#include "print/core/JpegDecode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    jpeg::TLimits limits;
    // Small enough that one input stays within the fuzzer's memory and time budget.
    limits.maxPixels = 16'000'000;
    limits.maxMemory = 64L * 1024 * 1024;
    limits.previewSide = 200;
    jpeg::TImage image;
    if (jpeg::decode(data, size, limits, image) == jpeg::TDecodeStatus::ok) {
        if (image.rgb.size() != std::size_t(image.width) * std::size_t(image.height) * 3)
            __builtin_trap();
    }
    return 0;
}
