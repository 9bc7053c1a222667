#include "loopcost/analysis/cost.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace analysis {

Cost::Cost(std::vector<Integer> coefficients, int scale) : units(std::move(coefficients)), digits(scale) {
    if (units.empty())
        units.emplace_back(0);
}

std::string Cost::coefficient(int power) const { return Decimal::decimalText(unitsOf(power), digits); }

bool Cost::isZero() const {
    return std::all_of(units.begin(), units.end(), [](const Integer& u) { return u.is_zero(); });
}

int Cost::order() const {
    for (int i = degree(); i > 0; --i)
        if (!unitsOf(i).is_zero())
            return i;
    return 0;
}

std::string Cost::orderText() const { return analysis::orderText(order()); }

std::string orderText(int power) {
    if (power == 0)
        return "O(1)";
    if (power == 1)
        return "O(n)";
    return "O(n^" + std::to_string(power) + ")";
}

std::string Cost::text() const {
    std::string out;
    appendText(out);
    return out;
}

namespace {

// A coefficient of exactly 1 or -1 is left out before a power of n, and a
// negative term is joined by " - " to the terms before it. `at` has room for
// digits.size() + scale + 24 bytes.
char* writeTermOf(char* at, int power, bool negative, std::string_view digits, int scale, bool first) {
    if (first)
        at = negative ? std::copy_n("-", 1, at) : at;
    else
        at = std::copy_n(negative ? " - " : " + ", 3, at);
    char* const magnitude = at;
    at = Decimal::writeScaled(at, false, digits, scale);
    if (power == 0)
        return at;
    if (at == magnitude + 1 && *magnitude == '1')
        at = magnitude;
    else
        at = std::copy_n(" * ", 3, at);
    at = std::copy_n("n^", 2, at);
    return std::to_chars(at, at + 12, power).ptr;
}

}  // namespace

void Cost::appendTerm(std::string& out, int power, const Integer& units, int scale, bool first) {
    char buffer[24];
    std::string spill;
    const std::string_view digits = magnitudeDigits(units, buffer, spill);
    appendWritten(out, digits.size() + static_cast<std::size_t>(scale) + 24,
                  [&](char* at) { return writeTermOf(at, power, units.sign() < 0, digits, scale, first); });
}

char* Cost::writeTerm(char* at, int power, std::int64_t units, int scale, bool first) {
    char buffer[24];
    return writeTermOf(at, power, units < 0, magnitudeDigits(units, buffer), scale, first);
}

void Cost::appendText(std::string& out) const {
    bool first = true;
    for (int i = degree(); i >= 0; --i) {
        if (unitsOf(i).is_zero())
            continue;
        appendTerm(out, i, unitsOf(i), digits, first);
        first = false;
    }
    if (first)
        out += '0';
}

double Cost::shareOf(const Cost& total) const {
    const int power = total.order();
    const Integer& whole = total.unitsOf(power);
    if (whole.is_zero() || order() > power || degree() < power)
        return 0.0;
    // both have one scale, so the ratio of their units is the ratio of the
    // coefficients
    return ratio(unitsOf(power), whole);
}

// Numbers beyond a double's range are both shortened by the same number of
// bits first, so that their ratio does not become inf / inf.
double Cost::ratio(const Integer& part, const Integer& whole) {
    if (whole.is_zero() || part.is_zero())
        return 0.0;  // never -0
    // both exact as doubles: one division, rounded once
    const auto exact = [](const Integer& i) {
        return i.backend().size() == 1 && *i.backend().limbs() <= (std::uint64_t(1) << 53);
    };
    if (exact(part) && exact(whole))
        return part.convert_to<double>() / whole.convert_to<double>();
    Integer a = part;
    Integer b = whole;
    a.backend().sign(false);  // the magnitudes; the sign is put back at the end
    b.backend().sign(false);
    const std::size_t bits = std::max(a.is_zero() ? 0 : msb(a), msb(b));
    const std::size_t kept = 900;
    const std::size_t shift = bits > kept ? bits - kept : 0;
    const double magnitude = Integer(a >> shift).convert_to<double>() / Integer(b >> shift).convert_to<double>();
    return part.sign() * whole.sign() < 0 ? -magnitude : magnitude;
}

int Cost::compare(const Cost& other) const {
    static const Integer zero = 0;
    for (int i = std::max(degree(), other.degree()); i >= 0; --i) {
        const Integer& a = i <= degree() ? unitsOf(i) : zero;
        const Integer& b = i <= other.degree() ? other.unitsOf(i) : zero;
        if (a != b)
            return a < b ? -1 : 1;
    }
    return 0;
}

void Cost::add(const Cost& other) {
    if (other.units.size() > units.size())
        units.resize(other.units.size());
    for (std::size_t i = 0; i < other.units.size(); ++i)
        units[i] += other.units[i];
}

std::string countText(const std::vector<Integer>& count) { return Cost(count, 0).text(); }

}  // namespace analysis
