#include "loopcost/analysis/number.h"

#include <algorithm>
#include <charconv>

#include "loopcost/analysis/text.h"

namespace analysis {

namespace {

const int maxExponent = 1000;

// By squaring, in integers of their own: Boost's pow() is an expression
// that refers to a temporary, which the static analyzer rightly distrusts.
Integer powerOfTen(std::size_t exponent) {
    Integer power = 1;
    Integer square = 10;
    for (; exponent > 0; exponent >>= 1) {
        if ((exponent & 1) != 0)
            power *= square;
        if (exponent > 1)
            square *= square;
    }
    return power;
}

// Where a run of decimal digits that starts at `i` ends.
std::size_t digitsEnd(std::string_view text, std::size_t i) {
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

Whole faulty(WholeFault fault, std::size_t at) {
    Whole w;
    w.fault = fault;
    w.at = at;
    return w;
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
        value.units *= powerOfTen(static_cast<std::size_t>(-scale));
    else
        value.scale = scale;
    if (negative)
        value.units = -value.units;
    return value;
}

// The number is sized up from its digits and its exponent before any of it
// is worked out, so that 1e999999999 costs no more than 1e100000.
Whole parseWhole(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    std::size_t end = text.size();
    while (end > i && isBlank(text[end - 1]))
        --end;
    const std::size_t start = i;
    if (i == end)
        return faulty(WholeFault::empty, start);
    text = text.substr(0, end);
    const bool negative = text[i] == '-';
    if (text[i] == '+' || text[i] == '-')
        ++i;
    const std::size_t whole = i;
    i = digitsEnd(text, i);
    const std::size_t point = i;
    std::size_t fractionDigits = 0;
    if (i < end && text[i] == '.') {
        i = digitsEnd(text, i + 1);
        fractionDigits = i - point - 1;
    }
    if (point == whole && fractionDigits == 0)
        return faulty(WholeFault::notANumber, point == end || text[point] != '.' ? point : point + 1);
    // the exponent saturates far beyond any number of digits that is read
    const long long farOut = 1000000000000000;
    long long exponent = 0;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool down = i < end && text[i] == '-';
        if (i < end && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (i == end || !isDigit(text[i]))
            return faulty(WholeFault::notANumber, i);
        for (; i < end && isDigit(text[i]); ++i)
            exponent = std::min(farOut, exponent * 10 + (text[i] - '0'));
        if (down)
            exponent = -exponent;
    }
    if (i != end)
        return faulty(WholeFault::notANumber, i);
    // the significant digits, point left out, and the power of ten they take
    std::string digits(text.substr(whole, point - whole));
    if (fractionDigits > 0)
        digits.append(text.substr(point + 1, fractionDigits));
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    Whole w;
    w.at = start;
    if (digits.empty())
        return w;  // zero, whatever its sign and exponent
    const std::size_t last = digits.find_last_not_of('0');
    long long power =
        exponent - static_cast<long long>(fractionDigits) + static_cast<long long>(digits.size() - 1 - last);
    digits.resize(last + 1);
    if (negative)
        return faulty(WholeFault::negative, start);
    if (power < 0)
        return faulty(WholeFault::fraction, start);
    if (power > static_cast<long long>(mostDigits) || digits.size() + static_cast<std::size_t>(power) > mostDigits)
        return faulty(WholeFault::tooLarge, start);
    w.value = Integer(digits);
    if (power > 0)
        w.value *= powerOfTen(static_cast<std::size_t>(power));
    return w;
}

// |value| lies in [2^(bits - 1), 2^bits), so its digits are one of few
// counts from bits * log10(2) on: a power of ten or two tell which.
std::size_t digitsOf(const Integer& value) {
    if (value.is_zero())
        return 1;
    const Integer size = value.sign() < 0 ? Integer(-value) : value;
    const std::size_t bits = msb(size) + 1;
    // 30102999 / 10^8 is just below log10(2): the count starts low
    std::size_t digits =
        static_cast<std::size_t>((static_cast<unsigned long long>(bits - 1) * 30102999ull) / 100000000ull) + 1;
    Integer power = powerOfTen(digits);
    while (size >= power) {
        power *= 10;
        ++digits;
    }
    return digits;
}

Integer Decimal::unitsAt(int digits) const { return units * powerOfTen(static_cast<std::size_t>(digits - scale)); }

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
