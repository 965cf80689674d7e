#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool isIgnoredBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

double radixValue(QStringView digits, int radix)
{
    double value = 0;
    for (QChar c : digits) {
        if (isIgnoredBlank(c))
            continue;
        // ASCII only: QChar::digitValue() would also take Arabic-Indic or full-width digits.
        const char16_t u = c.unicode();
        const int digit = u >= u'0' && u <= u'9'                  ? u - u'0'
                          : radix == 16 && u >= u'a' && u <= u'f' ? u - u'a' + 10
                          : radix == 16 && u >= u'A' && u <= u'F' ? u - u'A' + 10
                                                                  : -1;
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    // Hundreds of digits overflow a double; out of range gives 0, as for decimal text.
    return std::isfinite(value) ? value : 0;
}

} // namespace

double leadingNumberValue(QStringView text)
{
    // Collect the number's characters, skipping blanks wherever they stand.
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isIgnoredBlank(text[i]))
            ++i;
    };
    skipBlanks();
    if (i < text.size() && text[i] == u'&') {
        // Blanks are ignored here too: "& H FF" is 255.
        qsizetype kind = i + 1;
        while (kind < text.size() && isIgnoredBlank(text[kind]))
            ++kind;
        if (kind < text.size() && text[kind].toUpper() == u'H')
            return radixValue(text.mid(kind + 1), 16);
        if (kind < text.size() && text[kind].toUpper() == u'O')
            return radixValue(text.mid(kind + 1), 8);
    }

    std::string number;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        number += char(text[i].unicode());
        ++i;
    }
    bool digitsSeen = false;
    bool pointSeen = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isIgnoredBlank(c))
            continue;
        if (c >= u'0' && c <= u'9') {
            number += char(c.unicode());
            digitsSeen = true;
        } else if (c == u'.' && !pointSeen) {
            number += '.';
            pointSeen = true;
        } else {
            break;
        }
    }
    if (!digitsSeen)
        return 0;

    // An exponent counts only when digits follow it.
    if (i < text.size() && (text[i].toUpper() == u'E' || text[i].toUpper() == u'D')) {
        std::string exponent = "e";
        qsizetype j = i + 1;
        while (j < text.size() && isIgnoredBlank(text[j]))
            ++j;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            exponent += char(text[j++].unicode());
        bool exponentDigits = false;
        for (; j < text.size(); ++j) {
            const QChar c = text[j];
            if (isIgnoredBlank(c))
                continue;
            if (c < u'0' || c > u'9')
                break;
            exponent += char(c.unicode());
            exponentDigits = true;
        }
        if (exponentDigits)
            number += exponent;
    }
    // from_chars reads the full stop whatever the locale, and does not accept a leading '+'.
    const char* first = number.data() + (number.front() == '+' ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(first, number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range)
        return 0;
    return std::isfinite(value) ? value : 0;
}

std::optional<long long> parseWholeNumber(QStringView text, long long minimum, long long maximum)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 20)
        return std::nullopt;
    bool ok = false;
    const long long value = trimmed.toLongLong(&ok, 10);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

std::optional<std::int16_t> parseInt16(QStringView text)
{
    const auto value = parseWholeNumber(text, INT16_MIN, INT16_MAX);
    if (!value)
        return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

QString plainDecimal(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also folds -0
    return QString::number(value, 'g', 15);
}
