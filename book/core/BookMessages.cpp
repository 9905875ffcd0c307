#include "book/core/BookMessages.h"

#include <array>
#include <vector>

namespace book {

namespace {

constexpr std::array kTexts{
    std::string_view("the page cannot be read: %1"),
    std::string_view("the page is not text: it holds a zero byte at offset %1 and is read only up "
                     "to it"),
    std::string_view("the page is too large to read (%1 MiB)"),
    std::string_view("GotoPage names \"%1\", which is no page of this book"),
    std::string_view("GotoNextPage on the last page of the book leads nowhere"),
    std::string_view("GotoPrevPage on the first page of the book leads nowhere"),
    std::string_view("%1 names \"%2\", which is not found"),
    std::string_view("%1 names \"%2\" on a drive letter, which cannot be looked up here"),
    std::string_view("\"%1\" cannot be read as a picture"),
    std::string_view("the variable [%1] is read here, but no page sets it"),
    std::string_view("the variable [%1] is set here, but no page reads it"),
    std::string_view("no link of another page leads to this page"),
    std::string_view("%1 in %2"),
    std::string_view("%1 to rewrite in %2"),
    std::string_view("A page needs a name"),
    std::string_view("A page name holds no \"/\", \"\\\" and no line break"),
    std::string_view("A page name holds no double quote: a link could not name it"),
    std::string_view("A page name holds only characters of the page code page (Windows-1252)"),
    std::string_view("The page \"%1\" already has that name"),
    std::string_view("\"%1\" was changed on the disk since it was read"),
    std::string_view("\"%1\" cannot be written: %2"),
    std::string_view("\"%1\" cannot be renamed: %2"),
    std::string_view("\"%1\" is left as it is: %2"),
    std::string_view("it is %1, not a file"),
};
static_assert(kTexts.size() == static_cast<std::size_t>(TMessage::NotAFile) + 1);

} // namespace

std::string message(TMessage m, std::initializer_list<std::string_view> values) {
    const std::string_view t = kTexts[static_cast<std::size_t>(m)];
    const std::vector<std::string_view> v(values);
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '%' && i + 1 < t.size() && t[i + 1] >= '1' && t[i + 1] <= '9') {
            const auto k = static_cast<std::size_t>(t[i + 1] - '1');
            if (k < v.size())
                out.append(v[k]);
            ++i;
        } else {
            out.push_back(t[i]);
        }
    }
    return out;
}

std::string counted(long long n, std::string_view singular, std::string_view plural) {
    return std::to_string(n) + ' ' + std::string(n == 1 ? singular : plural);
}

} // namespace book
