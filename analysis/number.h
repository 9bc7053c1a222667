#ifndef LOOPCOST_ANALYSIS_NUMBER_H
#define LOOPCOST_ANALYSIS_NUMBER_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <boost/multiprecision/cpp_int.hpp>

namespace analysis {

// Counts and costs have no upper bound: loops multiply them.
using Integer = boost::multiprecision::cpp_int;

// An exact decimal number, units / 10^scale: a cost such as 0.1 is one tenth,
// not the float nearest to it.
struct Decimal {
    Integer units;
    int scale = 0;  // digits after the decimal point, >= 0

    // decimal = [ "+" | "-" ] ( digit { digit } [ "." { digit } ] | "." digit { digit } )
    //           [ ( "e" | "E" ) [ "+" | "-" ] digit { digit } ]
    // Nothing when `text` is not such a number or its exponent is beyond +-1000.
    static std::optional<Decimal> parse(std::string_view text);
    static Decimal whole(long long value) { return Decimal{Integer(value), 0}; }

    // All digits, no exponent, no trailing zeros after the point: "0.3", "-12".
    std::string text() const { return decimalText(units, scale); }
    // The same number with `digits` (>= scale) digits after the point.
    Integer unitsAt(int digits) const;

    static std::string decimalText(const Integer& units, int scale);
    // Appends the text of units / 10^scale to `out`.
    static void appendDecimal(std::string& out, const Integer& units, int scale);
    // The same text for units in a machine word, written at `at`, which has
    // room for roomFor(scale) bytes; returns its end. For writers of millions
    // of numbers, which make no string for each.
    static char* writeDecimal(char* at, std::int64_t units, int scale);
    static std::size_t roomFor(int scale) { return 24 + static_cast<std::size_t>(scale); }
    // The text of a number whose magnitude has the decimal `digits` (no
    // leading zero), divided by 10^scale, written at `at`, which has room
    // for digits.size() + scale + 3 bytes; returns its end.
    static char* writeScaled(char* at, bool negative, std::string_view digits, int scale);
};

// The most digits of a whole number n that is read, and of the exact value
// of a cost at n: writing a number out takes time that grows faster than the
// square of its digits, and 100 000 digits take about half a second.
constexpr std::size_t mostDigits = 100000;

// Why a text is not a whole number n that can be read.
enum class WholeFault {
    none,
    empty,       // nothing but blanks
    notANumber,  // a byte where none of a number can stand
    negative,    // below zero ("-0" is zero)
    fraction,    // not whole ("2.0" and "15e-1" are not fractions, "1.5" is)
    tooLarge,    // more than mostDigits digits
};

struct Whole {
    Integer value;  // when the fault is none
    WholeFault fault = WholeFault::none;
    // notANumber: the byte where reading stopped; otherwise where the number
    // begins (or, for empty, would begin)
    std::size_t at = 0;

    bool ok() const { return fault == WholeFault::none; }
};

// The one reader of a whole number n >= 0 that a user gives, for every
// front-end, however it is written ("7", "007", "+7", "7.0", "0.7e1"):
//   whole = { blank } decimal { blank }
// where decimal is as Decimal::parse reads it, but with an exponent of any
// size: 1e99999 is read as its digits are, and 1e100000 is too large alike.
Whole parseWhole(std::string_view text);

// The number of decimal digits of |value|; 1 for zero.
std::size_t digitsOf(const Integer& value);

// The decimal digits of the magnitude of `value`, in `buffer` while they fit
// in a machine word, or else in `spill`.
std::string_view magnitudeDigits(const Integer& value, char (&buffer)[24], std::string& spill);
std::string_view magnitudeDigits(std::int64_t value, char (&buffer)[24]);

// Appends what `write(at)` writes at `at`, where `room` bytes are free, up
// to the end it returns: on the stack while that is small, so that no room
// is cleared in `out` only to be written over.
template <class Write>
void appendWritten(std::string& out, std::size_t room, Write write) {
    char local[128];
    if (room <= sizeof local) {
        out.append(local, static_cast<std::size_t>(write(local) - local));
        return;
    }
    const std::size_t from = out.size();
    out.resize(from + room);
    out.resize(static_cast<std::size_t>(write(&out[from]) - out.data()));
}

// Appends the shortest decimal text of `value`, as exact as the number it
// stands for.
void appendInteger(std::string& out, const Integer& value);

}  // namespace analysis

#endif
