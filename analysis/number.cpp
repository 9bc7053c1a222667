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
void appendInteger(std::string& out, const Integer& value) {
    if (value.backend().size() != 1) {
        out += value.str();
        return;
    }
    if (value.sign() < 0)
        out += '-';
    char digits[24];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, *value.backend().limbs());
    out.append(digits, static_cast<std::size_t>(r.ptr - digits));
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

// The digits are written first and the point put in among them; zeros after
// the point that say nothing are dropped.
void Decimal::appendDecimal(std::string& out, const Integer& units, int scale) {
    const std::size_t from = out.size();
    appendInteger(out, units);
    if (scale == 0)
        return;
    const std::size_t first = out[from] == '-' ? from + 1 : from;
    const auto point = static_cast<std::size_t>(scale);
    if (out.size() - first <= point)
        out.insert(first, point - (out.size() - first) + 1, '0');
    out.insert(out.size() - point, 1, '.');
    while (out.back() == '0')
        out.pop_back();
    if (out.back() == '.')
        out.pop_back();
    if (first > from && out.size() == first + 1 && out[first] == '0')
        out.erase(from, 1);  // no "-0"
}

}  // namespace analysis
