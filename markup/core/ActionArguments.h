#pragma once

// Reading the arguments of an action text (the text between "=" and "^l" of an action link): each
// argument is one space and a value in double quotes, with no escape for a double quote. Used by
// the markup checker; the default texts of the actions are read the same way, so that the number
// of arguments and the placeholders of each action come from the action table itself.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace markup {

// One argument of an action text: its value between the double quotes.
struct TArgument {
    std::size_t at = 0; ///< offset of the value in the action text
    std::string_view value;
    bool sound = true; ///< in double quotes, both of them there
};

// A fault in the arguments of an action text.
struct TArgumentFault {
    std::size_t at = 0;
    std::size_t length = 0;
    std::string message;
};

// Splits the arguments that start at p (after the action word) into args. A line break between
// arguments counts as their space (it is reported elsewhere). Faults go to faults when given.
void splitArguments(std::string_view a, std::size_t p, std::vector<TArgument>& args,
                    std::vector<TArgumentFault>* faults);

// Where the action word ends: at the first space, double quote or line break.
std::size_t actionWordEnd(std::string_view a);

// The argument values of each action's default text, by action box index.
const std::vector<std::vector<std::string_view>>& defaultArguments();

// True for the values that the default texts hold only for the author to replace.
bool isPlaceholder(std::string_view value);

} // namespace markup
