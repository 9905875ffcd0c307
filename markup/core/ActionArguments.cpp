#include "markup/core/ActionArguments.h"

#include "markup/core/Actions.h"
#include "markup/core/PageMarkup.h"

#include <algorithm>

namespace markup {

void splitArguments(std::string_view a, std::size_t p, std::vector<TArgument>& args,
                    std::vector<TArgumentFault>* faults) {
    args.clear();
    const auto fault = [&](std::size_t at, std::size_t len, std::string message) {
        if (faults)
            faults->push_back({at, std::max<std::size_t>(len, 1), std::move(message)});
    };
    const auto wordEnd = [&](std::size_t from) {
        const std::size_t sp = a.find_first_of(" \r\n", from);
        return sp == std::string_view::npos ? a.size() : sp;
    };
    // A line break between arguments is reported on its own; it counts as the space.
    bool broke = false;
    while (p < a.size()) {
        const auto n = [&] { return std::to_string(args.size() + 1); };
        if (a[p] == '\r' || a[p] == '\n') {
            ++p;
            broke = true;
            continue;
        }
        if (a[p] == ' ' || (broke && a[p] == '"')) {
            if (a[p] == ' ')
                ++p;
            broke = false;
            if (p == a.size()) {
                fault(p - 1, 1, "a space ends the action text");
                break;
            }
            if (a[p] != '"') {
                const std::size_t end = wordEnd(p);
                fault(p, end - p, "argument " + n() + " is not in double quotes");
                args.push_back({p, a.substr(p, end - p), false});
                p = end;
                continue;
            }
        } else if (a[p] == '"') {
            fault(p, 1, "argument " + n() + " needs a space before its opening quote");
        } else {
            const std::size_t end = wordEnd(p);
            fault(p, end - p,
                  "text after the closing quote of argument " + std::to_string(args.size()));
            p = end;
            continue;
        }
        const std::size_t close = a.find('"', p + 1);
        if (close == std::string_view::npos) {
            fault(p, a.size() - p, "the quote of argument " + n() + " is never closed");
            args.push_back({p + 1, a.substr(p + 1), false});
            break;
        }
        args.push_back({p + 1, a.substr(p + 1, close - p - 1)});
        p = close + 1;
    }
}

std::size_t actionWordEnd(std::string_view a) {
    return std::min(a.find_first_of(" \"\r\n"), a.size());
}

// The default arguments of each action, read from its default text.
const std::vector<std::vector<std::string_view>>& defaultArguments() {
    static const auto table = [] {
        std::vector<std::vector<std::string_view>> t;
        for (int i = 0; i < actions::kActionCount; ++i) {
            std::string_view a = actions::actionAt(i).defaultText;
            a.remove_prefix(1);                          // "="
            a.remove_suffix(kActionLink.closing.size()); // "^l"
            std::vector<std::string_view> values;
            std::vector<TArgument> args;
            splitArguments(a, actionWordEnd(a), args, nullptr);
            for (const TArgument& arg : args)
                values.push_back(arg.value);
            t.push_back(std::move(values));
        }
        return t;
    }();
    return table;
}

bool isPlaceholder(std::string_view value) {
    return std::find(actions::kPlaceholders.begin(), actions::kPlaceholders.end(), value) !=
           actions::kPlaceholders.end();
}

} // namespace markup
