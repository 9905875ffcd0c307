#include "editor/core/BreakOpportunities.h"

bool hasUnbrokenRun(std::u16string_view text, std::size_t limit) {
    std::size_t run = 0;
    for (const char16_t c : text) {
        if (c == u' ' || c == u'\t' || c == u'-' || c == u'/' || c == u'|') {
            run = 0;
        } else if (++run > limit) {
            return true;
        }
    }
    return false;
}
