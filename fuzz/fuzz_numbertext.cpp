// Fuzzes the leading-number value and the settings numbers: whatever the text, no crash, no undefined
// behaviour, a finite result, and the answers that follow from the rules without reading the number
// the same way.
#include "NumberText.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what, const QString& text, double got, double expected)
{
    std::fprintf(stderr, "%s: \"%s\" gave %.17g, expected %.17g\n", what, qUtf8Printable(text), got, expected);
    std::abort();
}

QString withoutBlanks(const QString& text)
{
    QString result;
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            result += c;
    }
    return result;
}

// The whole number an unsigned run of digits in the given base stands for, when it is exact in a double.
std::optional<double> wholeNumber(QStringView digits, int base)
{
    if (digits.isEmpty() || digits.size() > 13)
        return std::nullopt;
    std::uint64_t value = 0;
    for (QChar c : digits) {
        const char ascii = c.toLatin1();
        int digit = -1;
        if (ascii >= '0' && ascii <= '9')
            digit = ascii - '0';
        else if (ascii >= 'a' && ascii <= 'f')
            digit = ascii - 'a' + 10;
        else if (ascii >= 'A' && ascii <= 'F')
            digit = ascii - 'A' + 10;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
    }
    return double(value);
}

void check(const QString& text)
{
    const double value = leadingNumberValue(text);
    if (!std::isfinite(value))
        fail("not finite", text, value, 0);

    const QString packed = withoutBlanks(text);
    // Only the ASCII digits (and A to F after "&H") are digits.
    const bool anyDigit = std::any_of(packed.cbegin(), packed.cend(),
                                      [](QChar c) { return QStringView(u"0123456789abcdefABCDEF").contains(c); });
    if (!anyDigit && value != 0)
        fail("no digits", text, value, 0);
    if (const auto decimal = wholeNumber(packed, 10); decimal && value != *decimal)
        fail("decimal digits", text, value, *decimal);
    if (packed.size() > 2 && packed[0] == u'&') {
        const QChar kind = packed[1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base) {
            if (const auto whole = wholeNumber(QStringView(packed).mid(2), base); whole && value != *whole)
                fail("radix digits", text, value, *whole);
        }
    }

    // A settings number (parseInt16) is the number its text shows, and every short run of digits is one.
    const bool plainText =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return QStringView(u"0123456789+- \t\n").contains(c); });
    if (const auto whole = parseInt16(text)) {
        if (plainText && value != *whole)
            fail("settings number", text, *whole, value);
    } else if (const auto decimal = wholeNumber(packed, 10); decimal && *decimal <= 32767 && text.trimmed() == packed) {
        fail("settings number refused", text, 0, *decimal);
    }

    // Nothing after a character that cannot continue a number changes the value; blanks in front
    // change nothing either.
    if (const double longer = leadingNumberValue(text + u'Z'); longer != value)
        fail("text after the number", text, longer, value);
    if (const double padded = leadingNumberValue(u' ' + text); padded != value)
        fail("blank in front", text, padded, value);

    // A minus sign negates a number that has no sign of its own and is not hexadecimal or octal.
    if (!packed.isEmpty() && packed[0] != u'+' && packed[0] != u'-' && packed[0] != u'&') {
        if (const double negated = leadingNumberValue(u'-' + text); negated != -value)
            fail("minus sign", text, negated, -value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    check(QString::fromUtf8(bytes, length));
    // Byte for character, so every byte value reaches the reader as a character of its own.
    check(QString::fromLatin1(bytes, length));
    return 0;
}
