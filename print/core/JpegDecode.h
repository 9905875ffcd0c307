#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Decoding of JPEG pictures for previews, with libjpeg. Any input, however damaged or hostile,
// gives a result: a picture or a refusal. Nothing here ends the program or takes unbounded memory.
namespace jpeg {

enum class TDecodeStatus {
    ok,
    notJpeg,  ///< no JPEG header
    tooLarge, ///< the header claims more pixels than a preview may decode
    damaged,  ///< the data is broken or incomplete
    outOfMemory,
};

struct TLimits {
    std::uint64_t maxPixels = 100'000'000; ///< pixel count of the full picture
    long maxMemory = 256L * 1024 * 1024;   ///< working memory libjpeg may use
    int previewSide = 0;                   ///< > 0: decode scaled down to about this size
    int maxScans = 200;                    ///< progressive scans before giving up
};

// RGB, 3 bytes a pixel, rows top to bottom without padding.
struct TImage {
    int width = 0;
    int height = 0;
    int fullWidth = 0; ///< size of the picture before scaling
    int fullHeight = 0;
    std::vector<std::uint8_t> rgb;
};

TDecodeStatus decode(const std::uint8_t* data, std::size_t size, const TLimits& limits,
                     TImage& image);

// The scale denominator (1, 2, 4 or 8) that keeps a side of at least previewSide pixels.
int scaleDenominator(int width, int height, int previewSide);

} // namespace jpeg
