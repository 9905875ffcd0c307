#include "document/PageText.h"

#include "document/core/Cp1252.h"
#include "document/core/PageFile.h"

namespace pagetext {

namespace {

const char16_t* unitsOf(QStringView text) {
    return reinterpret_cast<const char16_t*>(text.utf16());
}

// Characters pasted from other programs that the page code page lacks, with the page character
// that reads the same. Anything else without a page byte becomes "?".
constexpr struct {
    char16_t from, to;
} kCloseEquivalents[] = {
    {0x2002, u' '},   // en space
    {0x2003, u' '},   // em space
    {0x2007, 0x00A0}, // figure space
    {0x2009, u' '},   // thin space
    {0x200A, u' '},   // hair space
    {0x2010, u'-'},   // hyphen
    {0x2011, u'-'},   // non-breaking hyphen
    {0x2012, 0x2013}, // figure dash
    {0x2015, 0x2014}, // horizontal bar
    {0x2032, u'\''},  // prime
    {0x2033, u'"'},   // double prime
    {0x2044, u'/'},   // fraction slash
    {0x202F, 0x00A0}, // narrow no-break space
    {0x2212, u'-'},   // minus sign
    {0x2215, u'/'},   // division slash
    {0x2217, u'*'},   // asterisk operator
    {0x2219, 0x00B7}, // bullet operator
    {0x2264, u'<'},   // less-than or equal to: the nearest the page has
    {0x2265, u'>'},   // greater-than or equal to
    {0x02BC, 0x2019}, // modifier letter apostrophe
};

// The page byte of a character or of its close equivalent; -1 when neither exists.
int pageByte(char16_t ch) {
    const int b = cp1252::fromUnicode(ch);
    if (b >= 0)
        return b;
    const char16_t close = closeEquivalent(ch);
    return close ? cp1252::fromUnicode(close) : -1;
}

} // namespace

char16_t closeEquivalent(char16_t ch) {
    for (const auto& e : kCloseEquivalents)
        if (e.from == ch)
            return e.to;
    return 0;
}

std::string toBytes(QStringView text) {
    std::string bytes(std::size_t(text.size()), '\0');
    std::size_t out = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        const int b = pageByte(ch);
        if (b < 0 && QChar::isHighSurrogate(ch) && i + 1 < text.size() &&
            text[i + 1].isLowSurrogate())
            ++i; // one character, one "?"
        bytes[out++] = b < 0 ? '?' : char(b);
    }
    bytes.resize(out);
    return bytes;
}

QString fromBytes(std::string_view bytes) {
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    cp1252::decode(bytes.data(), bytes.size(), reinterpret_cast<char16_t*>(text.data()));
    return text;
}

std::string toPageBytes(QStringView text) {
    std::string bytes(pagefile::maxEncodedSize(std::size_t(text.size())), '\0');
    bytes.resize(pagefile::encodeInto(unitsOf(text), std::size_t(text.size()), bytes.data()));
    return bytes;
}

QString fromPageBytes(std::string_view bytes) {
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    const std::size_t n =
        pagefile::decode(bytes.data(), bytes.size(), reinterpret_cast<char16_t*>(text.data()));
    text.resize(qsizetype(n));
    return text;
}

QString toPageText(QStringView text, int* questionMarks) {
    int unknown = 0;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (ch == 0x2028 || ch == 0x2029) {
            out += u'\n';
        } else if (ch == u'\n' || isPageCharacter(QChar(ch))) {
            out += QChar(ch);
        } else if (const char16_t close = closeEquivalent(ch)) {
            out += QChar(close);
        } else {
            if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i; // one character, one "?"
            out += u'?';
            ++unknown;
        }
    }
    if (questionMarks)
        *questionMarks = unknown;
    return out;
}

bool isPageCharacter(QChar ch) {
    // A zero byte ends a page when it is read again: what follows it would be lost.
    return ch.unicode() != 0 && cp1252::isEncodable(ch.unicode());
}

QChar fromByte(char byte) {
    return QChar(cp1252::toUnicode(static_cast<unsigned char>(byte)));
}

void toBytes(const char16_t* units, std::size_t n, char* out) {
    cp1252::encode(units, n, out);
}

} // namespace pagetext
