#include "number.h"

#include <algorithm>
#include <charconv>

namespace analysis {

namespace {

const int maxExponent = 1000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

Integer powerOfTen(int exponent) {
    Integer p = 1;
    for (int i = 0; i < exponent; ++i)
        p *= 10;
    return p;
}

}  // namespace

// Most values fit one limb of the big integer, and printing those needs no
// big division.
std::string_view magnitudeDigits(const Integer& value, char (&buffer)[24], std::string& spill) {
    if (value.backend().size() != 1) {
        spill = value.str();
        return std::string_view(spill).substr(value.sign() < 0 ? 1 : 0);
    }
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, *value.backend().limbs());
    return std::string_view(buffer, static_cast<std::size_t>(r.ptr - buffer));
}

// The magnitude of the most negative value too, in unsigned arithmetic.
std::string_view magnitudeDigits(std::int64_t value, char (&buffer)[24]) {
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
    return std::string_view(buffer, static_cast<std::size_t>(r.ptr - buffer));
}

void appendInteger(std::string& out, const Integer& value) {
    char buffer[24];
    std::string spill;
    if (value.sign() < 0)
        out += '-';
    out += magnitudeDigits(value, buffer, spill);
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::string digits;
    int scale = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        digits.push_back(text[i]);
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i, ++scale)
            digits.push_back(text[i]);
    if (digits.empty())
        return std::nullopt;
    int exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool down = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        const std::size_t first = i;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            exponent = exponent * 10 + (text[i] - '0');
            if (exponent > maxExponent)
                return std::nullopt;
        }
        if (i == first)
            return std::nullopt;
        if (down)
            exponent = -exponent;
    }
    if (i != text.size())
        return std::nullopt;
    // trailing zeros after the point say nothing; dropping them keeps scales small
    while (scale > 0 && digits.back() == '0') {
        digits.pop_back();
        --scale;
    }
    // a leading zero would make the big integer read the digits as octal
    const std::size_t zeros = std::min(digits.find_first_not_of('0'), digits.size() - 1);
    Decimal value{Integer(digits.substr(zeros)), 0};
    scale -= exponent;
    if (scale < 0)
        value.units *= powerOfTen(-scale);
    else
        value.scale = scale;
    if (negative)
        value.units = -value.units;
    return value;
}

Integer Decimal::unitsAt(int digits) const { return units * powerOfTen(digits - scale); }

std::string Decimal::decimalText(const Integer& units, int scale) {
    std::string text;
    appendDecimal(text, units, scale);
    return text;
}

void Decimal::appendDecimal(std::string& out, const Integer& units, int scale) {
    char buffer[24];
    std::string spill;
    const std::string_view digits = magnitudeDigits(units, buffer, spill);
    appendWritten(out, digits.size() + static_cast<std::size_t>(scale) + 3,
                  [&](char* at) { return writeScaled(at, units.sign() < 0, digits, scale); });
}

char* Decimal::writeDecimal(char* at, std::int64_t units, int scale) {
    char buffer[24];
    return writeScaled(at, units < 0, magnitudeDigits(units, buffer), scale);
}

// Zeros at the end of the fraction say nothing and are left out, and so is a
// point with nothing after it; zero has no sign.
char* Decimal::writeScaled(char* at, bool negative, std::string_view digits, int scale) {
    if (digits == "0") {
        *at = '0';
        return at + 1;
    }
    std::size_t length = digits.size();
    auto fraction = static_cast<std::size_t>(scale);
    for (; fraction > 0 && digits[length - 1] == '0'; --fraction)
        --length;
    if (negative)
        *at++ = '-';
    if (length <= fraction) {
        *at++ = '0';
        *at++ = '.';
        at = std::fill_n(at, fraction - length, '0');
        return std::copy_n(digits.data(), length, at);
    }
    at = std::copy_n(digits.data(), length - fraction, at);
    if (fraction == 0)
        return at;
    *at++ = '.';
    return std::copy_n(digits.data() + (length - fraction), fraction, at);
}

}  // namespace analysis
