#include "document/PageText.h"

#include "document/core/Cp1252.h"
#include "document/core/PageFile.h"

namespace pagetext {

namespace {

const char16_t* unitsOf(QStringView text) {
    return reinterpret_cast<const char16_t*>(text.utf16());
}

} // namespace

std::string toBytes(QStringView text) {
    std::string bytes(std::size_t(text.size()), '\0');
    std::size_t out = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        const int b = cp1252::fromUnicode(ch);
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

QString toPageText(QStringView text) {
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
        } else if (ch == u'\n' || cp1252::isEncodable(ch)) {
            out += QChar(ch);
        } else {
            if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i; // one character, one "?"
            out += u'?';
        }
    }
    return out;
}

bool isPageCharacter(QChar ch) {
    return cp1252::isEncodable(ch.unicode());
}

QChar fromByte(char byte) {
    return QChar(cp1252::toUnicode(static_cast<unsigned char>(byte)));
}

void toBytes(const char16_t* units, std::size_t n, char* out) {
    cp1252::encode(units, n, out);
}

} // namespace pagetext
