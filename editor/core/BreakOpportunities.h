#pragma once

#include <cstddef>
#include <string_view>

// Word wrap that breaks lines at word boundaries searches, for every screen line, the rest of its
// paragraph for a place to break; in a paragraph without one that is quadratic in the paragraph's
// length (a 1 MB line would take minutes). A text whose longest run without a break opportunity
// is longer than this is wrapped anywhere instead.
constexpr std::size_t kLongestUnbroken = 32768;

// Whether text holds more than limit characters in a row without a place where word wrap may
// break a line. Only the sure places count (space, tab, hyphen, slash, vertical bar), so that a
// text is never taken for breakable when it is not.
bool hasUnbrokenRun(std::u16string_view text, std::size_t limit = kLongestUnbroken);
