#include "number.h"

#include <charconv>
#include <cstdlib>
#include <cstdint>
#include <limits>

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

// Most values fit a machine word, and printing those needs no big division.
bool fitsInt64(const Integer& value) {
    static const Integer low = std::numeric_limits<std::int64_t>::min();
    static const Integer high = std::numeric_limits<std::int64_t>::max();
    return value >= low && value <= high;
}

}  // namespace

std::string integerText(const Integer& value) {
    if (!fitsInt64(value))
        return value.str();
    char digits[24];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value.convert_to<std::int64_t>());
    return std::string(digits, r.ptr);
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
    Decimal value{Integer(digits), 0};
    scale -= exponent;
    if (scale < 0)
        value.units *= powerOfTen(-scale);
    else
        value.scale = scale;
    if (negative)
        value.units = -value.units;
    return value;
}

// Nothing here sets a locale, so strtod reads '.' as the decimal point.
double Decimal::toDouble() const { return std::strtod(text().c_str(), nullptr); }

Integer Decimal::unitsAt(int digits) const { return units * powerOfTen(digits - scale); }

std::string Decimal::decimalText(const Integer& units, int scale) {
    std::string digits = integerText(units);
    if (scale == 0)
        return digits;
    const bool negative = digits[0] == '-';
    if (negative)
        digits.erase(0, 1);
    const std::size_t point = static_cast<std::size_t>(scale);
    if (digits.size() <= point)
        digits.insert(0, point - digits.size() + 1, '0');
    digits.insert(digits.size() - point, 1, '.');
    while (digits.back() == '0')
        digits.pop_back();
    if (digits.back() == '.')
        digits.pop_back();
    if (negative && digits != "0")
        digits.insert(0, 1, '-');
    return digits;
}

}  // namespace analysis
