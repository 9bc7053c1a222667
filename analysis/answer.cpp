#include "loopcost/analysis/answer.h"

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

#include "loopcost/analysis/cost.h"
#include "loopcost/analysis/text.h"

namespace analysis {

namespace {

// ⁰ to ⁹ in UTF-8: ¹ ² ³ come from Latin-1, the others from their own block.
const std::string_view superscripts[10] = {"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
                                           "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};

struct BoundWord {
    std::string_view word;
    Bound bound;
};

// Longest first where one word begins another ("Omega" and "O"); the Ohm
// sign looks like Ω and some keyboards give it in its place.
const BoundWord boundWords[] = {
    {"Theta", Bound::tight},  {"Omega", Bound::lower},  {"\u0398", Bound::tight},
    {"\u03A9", Bound::lower}, {"\u2126", Bound::lower}, {"O", Bound::upper},
};

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Characters, not bytes: Θ and ² are one character each.
std::size_t columnOf(std::string_view text, std::size_t offset) {
    std::size_t column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        if (!isContinuation(text[i]))
            ++column;
    return column;
}

// Trailing zeros after the point say nothing: 1.50 and 15e-1 are 1.5.
void normalise(Decimal& value) {
    while (value.scale > 0 && !value.units.is_zero() && value.units % 10 == 0) {
        value.units /= 10;
        --value.scale;
    }
    if (value.units.is_zero())
        value.scale = 0;
}

Decimal added(const Decimal& a, const Decimal& b) {
    const int scale = std::max(a.scale, b.scale);
    Decimal total{a.unitsAt(scale) + b.unitsAt(scale), scale};
    normalise(total);
    return total;
}

// Reads one answer front to back; the first fault ends the reading.
class AnswerReader {
public:
    explicit AnswerReader(std::string_view text) : text(text) {}

    // answer = order | sum, with blanks around it
    AnswerRead read() {
        AnswerRead result;
        blanks();
        if (at == text.size()) {
            fail(AnswerFaultKind::empty);
        } else if (const BoundWord* word = boundWord()) {
            at += word->word.size();
            result.answer.kind = AnswerKind::order;
            result.answer.bound = word->bound;
            if (order(result.answer)) {
                blanks();
                if (at != text.size())
                    fail(AnswerFaultKind::afterOrder);
            }
        } else {
            sum(result.answer);
        }
        result.fault = fault;
        if (!result.ok())
            result.answer = Answer();
        return result;
    }

private:
    const BoundWord* boundWord() const {
        for (const BoundWord& word : boundWords)
            if (text.substr(at, word.word.size()) == word.word)
                return &word;
        return nullptr;
    }

    // order = bound "(" growth ")", the bound read
    // growth = "1" | "n" [ power ]
    bool order(Answer& answer) {
        blanks();
        if (!take('('))
            return fail(AnswerFaultKind::expectedOpen);
        blanks();
        if (take('1')) {
            answer.power = 0;
        } else if (take('n')) {
            answer.power = 1;
            if (!power(answer.power))
                return false;
        } else {
            return fail(AnswerFaultKind::expectedGrowth);
        }
        blanks();
        return take(')') || fail(AnswerFaultKind::expectedClose);
    }

    // sum = [ sign ] term { sign term }
    bool sum(Answer& answer) {
        std::map<std::int32_t, Decimal, std::greater<>> powers;
        bool negative = sign();
        for (;;) {
            blanks();
            if (!term(negative, powers))
                return false;
            blanks();
            if (at == text.size())
                break;
            if (!isSign(text[at]))
                return fail(AnswerFaultKind::expectedSign);
            negative = sign();
        }
        for (auto& [power, coefficient] : powers)
            answer.terms.push_back(AnswerTerm{power, std::move(coefficient)});
        return true;
    }

    static bool isSign(char c) { return c == '+' || c == '-'; }

    // sign = "+" | "-"; true for '-'
    bool sign() {
        if (at == text.size() || !isSign(text[at]))
            return false;
        return text[at++] == '-';
    }

    // term = number [ [ "*" ] "n" [ power ] ] | "n" [ power ]
    bool term(bool negative, std::map<std::int32_t, Decimal, std::greater<>>& powers) {
        Decimal coefficient = Decimal::whole(1);
        std::int32_t exponent = 0;
        if (take('n')) {
            exponent = 1;
            if (!power(exponent))
                return false;
        } else {
            if (!number(coefficient))
                return false;
            blanks();
            const bool times = take('*');
            blanks();
            if (take('n')) {
                exponent = 1;
                if (!power(exponent))
                    return false;
            } else if (times) {
                return fail(AnswerFaultKind::expectedN);
            }
        }
        if (negative)
            coefficient.units = -coefficient.units;
        const auto [entry, inserted] = powers.emplace(exponent, coefficient);
        if (!inserted)
            entry->second = added(entry->second, coefficient);
        return true;
    }

    // power = "^" digit { digit } | superscript { superscript }, after an n
    // that stands for n^1 unless a power follows
    bool power(std::int32_t& exponent) {
        const std::size_t afterN = at;
        blanks();
        if (take('^')) {
            blanks();
            if (at == text.size() || !isDigit(text[at]))
                return fail(AnswerFaultKind::expectedPower);
            const std::size_t first = at;
            std::int64_t value = 0;
            for (; at < text.size() && isDigit(text[at]); ++at)
                if (!addDigit(value, text[at] - '0'))
                    return failAt(AnswerFaultKind::powerTooLarge, first);
            exponent = static_cast<std::int32_t>(value);
            return true;
        }
        if (superscript() < 0) {
            at = afterN;
            return true;
        }
        const std::size_t first = at;
        std::int64_t value = 0;
        for (int digit = superscript(); digit >= 0; digit = superscript()) {
            at += superscripts[digit].size();
            if (!addDigit(value, digit))
                return failAt(AnswerFaultKind::powerTooLarge, first);
        }
        exponent = static_cast<std::int32_t>(value);
        return true;
    }

    static bool addDigit(std::int64_t& value, int digit) {
        value = value * 10 + digit;
        return value <= mostAnswerPower;
    }

    // The digit of the superscript at `at`, or -1.
    int superscript() const {
        for (int digit = 0; digit < 10; ++digit)
            if (text.substr(at, superscripts[digit].size()) == superscripts[digit])
                return digit;
        return -1;
    }

    // number = ( digit { digit } [ "." { digit } ] | "." digit { digit } )
    //          [ ( "e" | "E" ) [ sign ] digit { digit } ]
    // The extent is found here, the value is Decimal::parse's; an "e" that
    // no digit follows is no part of the number.
    bool number(Decimal& value) {
        const std::size_t first = at;
        std::size_t digits = 0;
        for (; at < text.size() && isDigit(text[at]); ++at)
            ++digits;
        if (at < text.size() && text[at] == '.')
            for (++at; at < text.size() && isDigit(text[at]); ++at)
                ++digits;
        if (digits == 0)
            return failAt(AnswerFaultKind::expectedTerm, first);
        if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
            std::size_t e = at + 1;
            if (e < text.size() && isSign(text[e]))
                ++e;
            if (e < text.size() && isDigit(text[e]))
                for (at = e; at < text.size() && isDigit(text[at]); ++at) {
                }
        }
        if (digits > mostDigits)
            return failAt(AnswerFaultKind::numberTooLong, first);
        std::optional<Decimal> read = Decimal::parse(text.substr(first, at - first));
        if (!read)
            return failAt(AnswerFaultKind::exponentTooLarge, first);
        value = std::move(*read);
        normalise(value);
        return true;
    }

    void blanks() {
        while (at < text.size() && isBlank(text[at]))
            ++at;
    }
    bool take(char c) {
        if (at == text.size() || text[at] != c)
            return false;
        ++at;
        return true;
    }
    bool fail(AnswerFaultKind kind) { return failAt(kind, at); }
    bool failAt(AnswerFaultKind kind, std::size_t offset) {
        fault = AnswerFault{kind, offset, columnOf(text, offset)};
        return false;
    }

    std::string_view text;
    std::size_t at = 0;
    AnswerFault fault;
};

// The character that stands at `offset`, quoted, or "the end".
std::string found(std::string_view text, std::size_t offset) {
    if (offset >= text.size())
        return "the end";
    std::size_t end = offset + 1;
    while (end < text.size() && end - offset < 4 && isContinuation(text[end]))
        ++end;
    return "'" + printableCharacters(text.substr(offset, end - offset)) + "'";
}

}  // namespace

AnswerRead readAnswer(std::string_view text) { return AnswerReader(text).read(); }

std::string answerFaultText(std::string_view text, const AnswerFault& fault) {
    const std::string here = found(text, fault.offset);
    switch (fault.kind) {
    case AnswerFaultKind::none: break;
    case AnswerFaultKind::empty: return "the answer is empty";
    case AnswerFaultKind::expectedTerm: return "expected a number or n, found " + here;
    case AnswerFaultKind::expectedSign: return "expected '+' or '-' before " + here;
    case AnswerFaultKind::expectedN: return "expected n after '*', found " + here;
    case AnswerFaultKind::expectedPower: return "expected a whole number after '^', found " + here;
    case AnswerFaultKind::powerTooLarge:
        return "the power of n is above " + std::to_string(mostAnswerPower) + ", the most an answer may name";
    case AnswerFaultKind::numberTooLong: return "the number has more than " + std::to_string(mostDigits) + " digits";
    case AnswerFaultKind::exponentTooLarge: return "the number's exponent is beyond 1000 or -1000";
    case AnswerFaultKind::expectedOpen: return "expected '(' after the order's name, found " + here;
    case AnswerFaultKind::expectedGrowth: return "expected 1, n or a power of n, found " + here;
    case AnswerFaultKind::expectedClose: return "expected ')', found " + here;
    case AnswerFaultKind::afterOrder: return "expected nothing after the order's ')', found " + here;
    }
    return {};
}

std::string answerText(const Answer& answer) {
    if (answer.kind == AnswerKind::order)
        return boundText(answer.bound, answer.power);
    std::string out;
    for (const AnswerTerm& term : answer.terms)
        if (!term.coefficient.units.is_zero())
            Cost::appendTerm(out, term.power, term.coefficient.units, term.coefficient.scale, out.empty());
    return out.empty() ? "0" : out;
}

std::string boundText(Bound bound, std::int32_t power) {
    std::string out = bound == Bound::upper ? "O(" : bound == Bound::tight ? "\u0398(" : "\u03A9(";
    if (power == 0)
        return out + "1)";
    if (power == 1)
        return out + "n)";
    return out + "n^" + std::to_string(power) + ")";
}

}  // namespace analysis
