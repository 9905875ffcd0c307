#include "settings/IniValues.h"

#include "editor/core/Colors.h"
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"

namespace inivalues {

namespace {

int digitValue(QChar c, bool hex) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (hex && u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (hex && u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

QString notAnInteger(const QString& field) {
    return errortext::notAnInteger.arg(field);
}

} // namespace

std::optional<std::int32_t> parseInteger(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return std::nullopt;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const int d = digitValue(text[i], hex);
        if (d < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + std::uint64_t(d);
        if (value > limit)
            return std::nullopt;
    }
    std::uint32_t bits = std::uint32_t(value);
    if (negative)
        bits = 0u - bits;
    return std::int32_t(bits);
}

bool isBlank(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > ' ')
            return false;
    return true;
}

QString fontToString(const TFontAttributes& font) {
    QString color;
    if (const auto name = colors::colorName(font.color))
        color = QString::fromStdString(*name);
    else
        color = QStringLiteral("$%1").arg(font.color, 8, 16, QLatin1Char('0')).toUpper();
    auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    return QStringList{font.name,           QString::number(font.size), color,
                       flag(font.bold),     flag(font.italic),          flag(font.underline),
                       flag(font.strikeOut)}
        .join(',');
}

QStringList splitFields(const QString& text) {
    QStringList fields = text.split(',');
    if (fields.size() > 1 && fields.last().isEmpty())
        fields.removeLast();
    return fields;
}

void applyFontFields(const QStringList& fields, TFontAttributes& font) {
    font.name = fields.at(0);
    font.size = parseInteger(fields.at(1)).value_or(10);
    if (const auto named = colors::colorFromName(fields.at(2).toStdString())) {
        font.color = *named;
    } else if (const auto value = parseInteger(fields.at(2))) {
        font.color = TColor(std::uint32_t(*value));
    } else {
        throw TLpError(notAnInteger(fields.at(2)));
    }
    font.bold = font.italic = font.underline = font.strikeOut = false;
    bool* const styles[] = {&font.bold, &font.italic, &font.underline, &font.strikeOut};
    for (int i = 0; i < 4; ++i) {
        const auto value = parseInteger(fields.at(3 + i));
        if (!value)
            throw TLpError(notAnInteger(fields.at(3 + i)));
        *styles[i] = (std::uint32_t(*value) & 0xFF) != 0;
    }
}

QString counterName(const QString& prefix, int index, bool letters) {
    if (letters)
        return prefix + QChar(char16_t('A' + index));
    return prefix + QString::number(index);
}

QString withIniExtension(const QString& name) {
    if (name.isEmpty())
        return name;
    const qsizetype slash = std::max(name.lastIndexOf('/'), name.lastIndexOf('\\'));
    if (name.indexOf('.', slash + 1) >= 0)
        return name;
    return name + ".INI";
}

} // namespace inivalues
