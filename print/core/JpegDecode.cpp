#include "print/core/JpegDecode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace jpeg {

namespace {

// libjpeg's own error manager calls exit(); this one jumps back to the decode call instead.
struct TErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int maxScans;
};

struct TProgress {
    jpeg_progress_mgr pub;
    TErrorManager* errors;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

// Warnings mean damaged data (a file cut short decodes as a grey lower half): stop at the first
// one. Extraneous bytes before a marker are common in pictures that show well and are let pass.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace messages
    if (cinfo->err->msg_code == JWRN_EXTRANEOUS_DATA)
        return;
    cinfo->err->num_warnings++;
    errorExit(cinfo);
}

void outputMessage(j_common_ptr) {}

// A progressive file can hold thousands of tiny scans, each costing a pass over the picture.
void progressMonitor(j_common_ptr cinfo) {
    auto* progress = reinterpret_cast<TProgress*>(cinfo->progress);
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > progress->errors->maxScans)
        errorExit(cinfo);
}

// Converts one decoded row to RGB.
void toRgb(const JSAMPLE* in, int width, J_COLOR_SPACE space, std::uint8_t* out) {
    if (space == JCS_CMYK) {
        // Adobe writes CMYK inverted: the values are already 255 - ink.
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            const unsigned k = in[3];
            out[0] = std::uint8_t(in[0] * k / 255);
            out[1] = std::uint8_t(in[1] * k / 255);
            out[2] = std::uint8_t(in[2] * k / 255);
        }
    } else {
        std::memcpy(out, in, std::size_t(width) * 3);
    }
}

struct TDecodeState {
    jpeg_decompress_struct cinfo;
    TErrorManager errors;
    TProgress progress;
    std::uint8_t* pixels; ///< malloc'd, so a jump out of libjpeg leaves nothing to destroy
    int width, height, fullWidth, fullHeight;
    TDecodeStatus failure;
};

// Runs libjpeg with only plain data alive between setjmp and any longjmp. Returns true with
// state.pixels filled, or false with state.failure set and no pixels.
bool decodeRaw(TDecodeState& s, const std::uint8_t* data, std::size_t size, const TLimits& limits) {
    s.cinfo.err = jpeg_std_error(&s.errors.pub);
    s.errors.pub.error_exit = errorExit;
    s.errors.pub.emit_message = emitMessage;
    s.errors.pub.output_message = outputMessage;
    s.errors.maxScans = limits.maxScans;
    s.pixels = nullptr;
    s.failure = TDecodeStatus::damaged;
    if (setjmp(s.errors.jump)) {
        if (s.errors.pub.msg_code == JERR_OUT_OF_MEMORY ||
            s.errors.pub.msg_code == JERR_NO_BACKING_STORE)
            s.failure = TDecodeStatus::outOfMemory;
        std::free(s.pixels);
        s.pixels = nullptr;
        jpeg_destroy_decompress(&s.cinfo);
        return false;
    }
    jpeg_create_decompress(&s.cinfo);
    s.cinfo.mem->max_memory_to_use = limits.maxMemory;
    s.progress.pub.progress_monitor = progressMonitor;
    s.progress.errors = &s.errors;
    s.cinfo.progress = &s.progress.pub;
    jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&s.cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&s.cinfo);
        return false;
    }
    s.fullWidth = int(s.cinfo.image_width);
    s.fullHeight = int(s.cinfo.image_height);
    if (std::uint64_t(s.cinfo.image_width) * s.cinfo.image_height > limits.maxPixels) {
        s.failure = TDecodeStatus::tooLarge;
        jpeg_destroy_decompress(&s.cinfo);
        return false;
    }
    const bool cmyk = s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK;
    s.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    s.cinfo.scale_num = 1;
    s.cinfo.scale_denom = unsigned(scaleDenominator(s.fullWidth, s.fullHeight, limits.previewSide));
    s.cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&s.cinfo);

    const int w = int(s.cinfo.output_width);
    const int h = int(s.cinfo.output_height);
    const int components = s.cinfo.output_components;
    if (w <= 0 || h <= 0 || (components != 3 && components != 4)) {
        jpeg_destroy_decompress(&s.cinfo);
        return false;
    }
    s.pixels = static_cast<std::uint8_t*>(std::malloc(std::size_t(w) * std::size_t(h) * 3));
    if (!s.pixels) {
        s.failure = TDecodeStatus::outOfMemory;
        jpeg_destroy_decompress(&s.cinfo);
        return false;
    }
    JSAMPARRAY row = (*s.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s.cinfo),
                                                  JPOOL_IMAGE, JDIMENSION(w * components), 1);
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        const int y = int(s.cinfo.output_scanline);
        if (jpeg_read_scanlines(&s.cinfo, row, 1) != 1)
            errorExit(reinterpret_cast<j_common_ptr>(&s.cinfo));
        toRgb(row[0], w, s.cinfo.out_color_space, s.pixels + std::size_t(y) * std::size_t(w) * 3);
    }
    jpeg_finish_decompress(&s.cinfo);
    s.width = w;
    s.height = h;
    const bool warned = s.errors.pub.num_warnings > 0;
    jpeg_destroy_decompress(&s.cinfo);
    if (warned) {
        std::free(s.pixels);
        s.pixels = nullptr;
        return false;
    }
    return true;
}

bool looksLikeJpeg(const std::uint8_t* data, std::size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

} // namespace

int scaleDenominator(int width, int height, int previewSide) {
    if (previewSide <= 0)
        return 1;
    int denom = 1;
    while (denom < 8 && width / (denom * 2) >= previewSide && height / (denom * 2) >= previewSide)
        denom *= 2;
    return denom;
}

TDecodeStatus decode(const std::uint8_t* data, std::size_t size, const TLimits& limits,
                     TImage& image) {
    image = TImage{};
    if (!data || !looksLikeJpeg(data, size))
        return TDecodeStatus::notJpeg;
    // Large: keeps libjpeg's structures off the caller's stack.
    auto* state = static_cast<TDecodeState*>(std::calloc(1, sizeof(TDecodeState)));
    if (!state)
        return TDecodeStatus::outOfMemory;
    const bool ok = decodeRaw(*state, data, size, limits);
    TDecodeStatus status = state->failure;
    if (ok) {
        image.width = state->width;
        image.height = state->height;
        image.fullWidth = state->fullWidth;
        image.fullHeight = state->fullHeight;
        image.rgb.assign(state->pixels, state->pixels + std::size_t(state->width) *
                                                            std::size_t(state->height) * 3);
        std::free(state->pixels);
        status = TDecodeStatus::ok;
    } else if (status == TDecodeStatus::tooLarge) {
        image.fullWidth = state->fullWidth;
        image.fullHeight = state->fullHeight;
    }
    std::free(state);
    return status;
}

} // namespace jpeg
