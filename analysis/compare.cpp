#include "loopcost/analysis/compare.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace analysis {

namespace {

// |x| as an integer of its own: Boost's abs() is an expression that refers
// to a temporary, which the static analyzer rightly distrusts.
Integer magnitude(const Integer& x) { return x.sign() < 0 ? Integer(-x) : x; }

// A polynomial with whole coefficients; [i] multiplies x^i.
using Coefficients = std::vector<Integer>;

Coefficients unitsAtScale(const Cost& cost, int scale) {
    Coefficients units;
    units.reserve(static_cast<std::size_t>(cost.degree()) + 1);
    for (int i = 0; i <= cost.degree(); ++i)
        units.push_back(Decimal{cost.unitsOf(i), cost.scale()}.unitsAt(scale));
    return units;
}

// first - second at their common scale, without zeros at the top (but at
// least a constant): its sign at n says which one is cheaper there.
Coefficients difference(const Cost& first, const Cost& second) {
    const int scale = std::max(first.scale(), second.scale());
    Coefficients d = unitsAtScale(first, scale);
    const Coefficients b = unitsAtScale(second, scale);
    if (b.size() > d.size())
        d.resize(b.size());
    for (std::size_t i = 0; i < b.size(); ++i)
        d[i] -= b[i];
    while (d.size() > 1 && d.back().is_zero())
        d.pop_back();
    return d;
}

// p(x) becomes p(x + 1). After pass i, coefficient i no longer changes.
void shiftByOne(Coefficients& p) {
    const std::size_t d = p.size() - 1;
    for (std::size_t i = 0; i < d; ++i)
        for (std::size_t j = d; j-- > i;)
            p[j] += p[j + 1];
}

// Descartes' rule on (1 + x)^d q(1 / (1 + x)), whose roots in (0, inf) are
// those of q in (0, 1): 0 or 1 is their number exactly, 2 stands for "two or
// more, or a pair of complex roots nearby". The shift completes the
// coefficients from the lowest up, so counting stops as soon as it is 2.
int rootsInUnitInterval(const Coefficients& q) {
    Coefficients p(q.rbegin(), q.rend());
    const std::size_t d = p.size() - 1;
    int variations = 0;
    int last = 0;
    for (std::size_t i = 0; i <= d; ++i) {
        if (i < d)
            for (std::size_t j = d; j-- > i;)
                p[j] += p[j + 1];
        const int sign = p[i].sign();
        if (sign != 0 && last != 0 && sign != last && ++variations == 2)
            return 2;
        if (sign != 0)
            last = sign;
    }
    return variations;
}

// The sign of q just right of 0.
int signAfterZero(const Coefficients& q) {
    for (const Integer& c : q)
        if (!c.is_zero())
            return c.sign();
    return 0;
}

// q(x) becomes q(x / 2); exact where q(x) = p(a + w x) with w even.
Coefficients halved(const Coefficients& q) {
    Coefficients h(q.size());
    for (std::size_t i = 0; i < q.size(); ++i)
        h[i] = q[i] >> static_cast<unsigned>(i);
    return h;
}

Integer sumOf(const Coefficients& q) {
    Integer sum = 0;
    for (const Integer& c : q)
        sum += c;
    return sum;
}

// q(x) becomes q(2^bits x).
Coefficients scaled(const Coefficients& p, std::size_t bits) {
    Coefficients q(p.size());
    for (std::size_t i = 0; i < p.size(); ++i)
        q[i] = p[i] << (bits * i);
    return q;
}

// Bits b such that p keeps the sign of its leading coefficient from 2^b on.
// With M the largest (|c_i| / |c_d|)^(1 / (d - i)) over the coefficients of
// the other sign than c_d, |p(x)| >= |c_d| x^d (1 - sum (M / x)^m) > 0 for
// x >= 2M; each ratio is below 2^(msb c_i + 1 - msb c_d).
std::size_t positiveRootBits(const Coefficients& p) {
    const std::size_t d = p.size() - 1;
    const Integer& lead = p[d];
    const long long leadBits = static_cast<long long>(msb(magnitude(lead)));
    long long most = 0;
    for (std::size_t i = 0; i < d; ++i) {
        if (p[i].is_zero() || p[i].sign() == lead.sign())
            continue;
        const long long over = static_cast<long long>(msb(magnitude(p[i]))) + 1 - leadBits;
        const auto gap = static_cast<long long>(d - i);
        if (over > 0)
            most = std::max(most, (over + gap - 1) / gap);
    }
    return static_cast<std::size_t>(most) + 1;
}

// The highest bit of each coefficient, -1 for zero.
std::vector<long long> highBits(const Coefficients& p) {
    std::vector<long long> bits;
    bits.reserve(p.size());
    for (const Integer& c : p)
        bits.push_back(c.is_zero() ? -1 : static_cast<long long>(msb(magnitude(c))));
    return bits;
}

// The term of p that outweighs all the others together on |x| = 2^k, if one
// does: then exactly that many roots lie inside the circle and none on it
// (Pellet). The bit lengths settle most radii; close calls are summed exactly.
std::optional<std::size_t> dominantTerm(const Coefficients& p, const std::vector<long long>& bits, long long k) {
    std::size_t top = 0;
    long long most = -1, second = -1;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (bits[i] < 0)
            continue;
        const long long weight = bits[i] + static_cast<long long>(i) * k;  // the term is in [2^weight, 2^(weight+1))
        if (most < 0 || weight > most) {
            second = most;
            most = weight;
            top = i;
        } else {
            second = std::max(second, weight);
        }
    }
    if (second < 0)
        return top;
    long long others = 1;  // bits of the number of other terms, rounded up
    while ((1ll << others) < static_cast<long long>(p.size()))
        ++others;
    if (most >= second + 1 + others)
        return top;
    Integer rest = 0;
    for (std::size_t i = 0; i < p.size(); ++i)
        if (i != top && bits[i] >= 0)
            rest += magnitude(p[i]) << static_cast<std::size_t>(static_cast<long long>(i) * k);
    if (rest < magnitude(p[top]) << static_cast<std::size_t>(static_cast<long long>(top) * k))
        return top;
    return std::nullopt;
}

// Signs of p at the whole numbers, gathered in order into runs of one sign.
class SignRuns {
public:
    void add(const Integer& from, const Integer& to, int sign) {
        if (from > to)
            return;
        if (!runs.empty() && runs.back().sign == sign)
            runs.back().to = to;
        else
            runs.push_back({from, to, sign});
    }
    void addPoint(const Integer& n, int sign) { add(n, n, sign); }

    std::vector<Run> take(const Integer& openFrom, int sign) {
        add(openFrom, openFrom, sign);
        std::vector<Run> out;
        out.reserve(runs.size());
        for (Signed& r : runs)
            out.push_back({std::move(r.from), std::move(r.to), cheaperWhere(r.sign)});
        out.back().to.reset();
        return out;
    }

    // p = first - second: the first is cheaper where p is negative.
    static Cheaper cheaperWhere(int sign) {
        return sign < 0 ? Cheaper::first : sign > 0 ? Cheaper::second : Cheaper::equal;
    }

private:
    struct Signed {
        Integer from, to;
        int sign;
    };
    std::vector<Signed> runs;
};

// The interval [a, a + w] of the n axis, seen as q(x) = p(a + w x) on [0, 1];
// or, with w = 0, the single point a where p has the sign `sign`.
struct Piece {
    Integer a;
    Integer w;
    Coefficients q;
    bool shiftFirst;  // q is still p(a - w + w x), from the left half's polynomial
    int sign;
};

Integer valueOf(const Coefficients& p, const Integer& x) {
    Integer value = 0;
    for (auto c = p.rbegin(); c != p.rend(); ++c) {
        value *= x;
        value += *c;
    }
    return value;
}

// p(x) and p'(x) by Horner's rule.
std::pair<Integer, Integer> valueAndSlope(const Coefficients& p, const Integer& x) {
    Integer value = 0, slope = 0;
    for (auto c = p.rbegin(); c != p.rend(); ++c) {
        slope *= x;
        slope += value;
        value *= x;
        value += *c;
    }
    return {std::move(value), std::move(slope)};
}

// The whole numbers around the one simple root r of p in (a, b), found by
// evaluating p: a bracket [low, high] shrinks around r with every guess.
class RootBracket {
public:
    RootBracket(const Coefficients& p, Integer a, Integer b, int s)
        : p(p), s(s), low(std::move(a)), high(std::move(b)) {}

    // Newton's steps from the last of them close in on r; from far off, where
    // p looks like a high power of x - c, they fall short, so they grow twice
    // as long while they keep doing so. Every other guess halves the bracket,
    // so a guess that goes astray costs no more than one halving.
    void close() {
        bool halve = true;
        while (high - low > 1) {
            const Integer width = high - low;
            if (halve || newton.slope.is_zero())
                probe(Integer((low + high) >> 1), newton.slope.is_zero());
            else
                stepNewton();
            halve = !halve && (high - low) * 2 > width;
        }
    }

    const Integer& firstAfter() const { return high; }  // b when no whole number in (a, b) is past r
    int signAtFirstAfter() const { return atHigh.sign(); }

private:
    struct Point {
        Integer x, value, slope, step;  // step: value / slope, rounded to zero
    };

    // p at the guess, kept inside the bracket; its slope only for Newton's steps.
    Point probe(const Integer& guess, bool slope = true) {
        Point at;
        at.x = std::max(Integer(low + 1), std::min(guess, Integer(high - 1)));
        if (slope)
            std::tie(at.value, at.slope) = valueAndSlope(p, at.x);
        else
            at.value = valueOf(p, at.x);
        if (!at.slope.is_zero())
            at.step = at.value / at.slope;
        if (at.value.sign() * s > 0) {
            low = at.x;
        } else {
            high = at.x;
            atHigh = at.value;
        }
        if (newton.slope.is_zero())
            newton = at;
        return at;
    }

    void stepNewton() {
        if (newton.step.is_zero()) {  // r is within one of x: try the other side
            const bool down = newton.value.sign() * newton.slope.sign() > 0;
            newton = probe(newton.x + (down ? -1 : 1));
            return;
        }
        Point next = probe(newton.x - (newton.step << boost));
        if (next.value.sign() != newton.value.sign())
            boost = boost > 0 ? boost - 1 : 0;
        else if (magnitude(next.step) * 2 > magnitude(newton.step))
            ++boost;
        newton = std::move(next);
    }

    const Coefficients& p;
    const int s;        // the sign of p on (a, r)
    Integer low, high;  // every whole number in (a, low] has the sign s; none in [high, b) has
    Integer atHigh = 0;
    Point newton;
    unsigned boost = 0;  // Newton's steps are 2^boost times as long
};

// Exactly one simple root lies between a and b = a + w, and p has the sign s
// just right of a: the whole numbers strictly between split where that sign
// is lost.
void splitAtRoot(const Coefficients& p, const Integer& a, const Integer& w, int s, SignRuns& runs) {
    RootBracket bracket(p, a, a + w, s);
    bracket.close();
    const Integer& high = bracket.firstAfter();
    const Integer last = a + w - 1;
    runs.add(a + 1, high - 1, s);
    if (high > last)
        return;
    runs.addPoint(high, bracket.signAtFirstAfter());
    runs.add(high + 1, last, -s);
}

// Bisects [a, a + w] down to pieces where Descartes' rule leaves at most one
// root, or no whole number inside: multiple roots and close pairs end there
// too, since only whole numbers matter. Pieces wait on a stack, left first.
void sortInterval(const Coefficients& p, Piece top, SignRuns& runs) {
    std::vector<Piece> pending;
    pending.push_back(std::move(top));
    while (!pending.empty()) {
        Piece piece = std::move(pending.back());
        pending.pop_back();
        if (piece.w.is_zero()) {
            runs.addPoint(piece.a, piece.sign);
            continue;
        }
        if (piece.w == 1)
            continue;
        if (piece.shiftFirst)
            shiftByOne(piece.q);
        const int roots = rootsInUnitInterval(piece.q);
        const int s = signAfterZero(piece.q);
        if (roots == 0) {
            runs.add(piece.a + 1, piece.a + piece.w - 1, s);
        } else if (roots == 1) {
            splitAtRoot(p, piece.a, piece.w, s, runs);
        } else {
            Integer half = piece.w >> 1;
            Coefficients left = halved(piece.q);
            Integer middle = piece.a + half;
            const int atMiddle = sumOf(left).sign();
            pending.push_back({middle, half, left, true, 0});
            pending.push_back({std::move(middle), 0, {}, false, atMiddle});
            pending.push_back({std::move(piece.a), std::move(half), std::move(left), false, 0});
        }
    }
}

// The whole numbers in [2^k, 2^(k+1)), given how many roots lie inside each
// of its circles, where a term of p settles that. One root between them is
// real, as p's are paired with their conjugates, and between 2^k and 2^(k+1)
// if p has other signs there. Otherwise Descartes' rule sorts the ring out.
void sortRing(const Coefficients& p, std::size_t k, std::optional<std::size_t> inner, std::optional<std::size_t> outer,
              SignRuns& runs) {
    const Integer from = Integer(1) << k;
    if (inner && outer && *outer - *inner <= 1) {
        const int atFrom = p[*inner].sign();
        if (*outer == *inner || p[*outer].sign() == atFrom) {
            runs.add(from, (from << 1) - 1, atFrom);
        } else {
            runs.addPoint(from, atFrom);
            splitAtRoot(p, from, from, atFrom, runs);
        }
        return;
    }
    Coefficients q = scaled(p, k);  // p(2^k + 2^k x)
    shiftByOne(q);
    runs.addPoint(from, q[0].sign());
    sortInterval(p, Piece{from, from, std::move(q), false, 0}, runs);
}

// The whole numbers in [2^k, 2^(k+1)) for k = 0, 1, ... up to the bound,
// ring by ring: the number of roots inside each circle (Pellet) settles most
// rings without polynomial work, so roots far apart in size cost nothing for
// the rings between them.
std::vector<Run> runsOf(const Coefficients& p) {
    SignRuns runs;
    const int lead = p.back().sign();
    if (p.size() == 1)
        return runs.take(0, lead);
    runs.addPoint(0, p[0].sign());
    const std::size_t rings = positiveRootBits(p);
    const std::vector<long long> bits = highBits(p);
    const auto termAt = [&p, &bits](std::size_t k) { return dominantTerm(p, bits, static_cast<long long>(k)); };
    std::optional<std::size_t> inner = termAt(0);
    for (std::size_t k = 0; k < rings;) {
        std::optional<std::size_t> outer = termAt(k + 1);
        if (!inner || inner != outer) {
            sortRing(p, k, inner, outer, runs);
            inner = outer;
            ++k;
            continue;
        }
        // rings without roots, one after the other, all with this term on top
        std::size_t end = k + 1;
        while (end < rings && termAt(end + 1) == inner)
            ++end;
        runs.add(Integer(1) << k, (Integer(1) << end) - 1, p[*inner].sign());
        k = end;
    }
    return runs.take(Integer(1) << rings, lead);
}

// The words of one run, after the run before it (null for the first).
void appendRun(std::string& out, const Run& run, const Run* before, std::string_view first, std::string_view second) {
    if (run.which == Cheaper::equal) {
        out.append(first).append(" and ").append(second).append(" cost the same");
    } else {
        out.append(run.which == Cheaper::first ? first : second);
        // after the other one's run, "is cheaper" is understood
        if (before == nullptr || before->which == Cheaper::equal)
            out += " is cheaper";
    }
    if (!run.to) {
        out += " from n = ";
        appendInteger(out, run.from);
        out += " on";
    } else if (*run.to == run.from) {
        out += " at n = ";
        appendInteger(out, run.from);
    } else {
        out += " for n = ";
        appendInteger(out, run.from);
        out += " to ";
        appendInteger(out, *run.to);
    }
}

}  // namespace

Decimal valueAt(const Cost& cost, const Integer& n) {
    Integer value = 0;
    for (int i = cost.degree(); i >= 0; --i) {
        value *= n;
        value += cost.unitsOf(i);
    }
    return Decimal{std::move(value), cost.scale()};
}

namespace {

// Bits b with |units| < 2^b, 0 for zero.
std::size_t bitsOf(const Integer& units) { return units.is_zero() ? 0 : msb(magnitude(units)) + 1; }

// Digits d with x < 10^d for any x < 2^bits: 30103 / 10^5 is just above log10(2).
std::size_t digitsBelow(std::size_t bits) {
    return static_cast<std::size_t>(static_cast<unsigned long long>(bits) * 30103ull / 100000ull) + 1;
}

}  // namespace

// |sum c_i n^i| is below (terms) * 2^max(bits(c_i) + i bits(n)), and when
// the coefficients share a sign it is at least 2^max(bits(c_i) - 1 + i
// (bits(n) - 1)): the two bounds are at most (degree + bits of the terms +
// 1) bits apart, a few digits more with the rounding.
bool valueFits(const Cost& cost, const Integer& n) {
    const std::size_t nBits = bitsOf(n);
    std::size_t most = 0, terms = 0;
    for (int i = 0; i <= cost.degree(); ++i) {
        if (cost.unitsOf(i).is_zero() || (nBits == 0 && i > 0))  // at n = 0 only the constant counts
            continue;
        ++terms;
        most = std::max(most, bitsOf(cost.unitsOf(i)) + static_cast<std::size_t>(i) * nBits);
    }
    const std::size_t spread = static_cast<std::size_t>(cost.degree()) + bitsOf(terms) + 1;
    const std::size_t upper = digitsBelow(most + bitsOf(terms));
    const std::size_t limit = mostDigits + static_cast<std::size_t>(cost.scale());  // digits of the units
    if (upper <= limit)
        return true;
    if (upper > limit + digitsBelow(spread) + 1)
        return false;
    return digitsOf(valueAt(cost, n).units) <= limit;
}

Comparison compareCosts(const Cost& first, const Cost& second) {
    Comparison comparison;
    comparison.runs = runsOf(difference(first, second));
    comparison.inTheEnd = comparison.runs.back().which;
    comparison.firstOrder = first.order();
    comparison.secondOrder = second.order();
    comparison.firstSign = first.unitsOf(comparison.firstOrder).sign();
    comparison.secondSign = second.unitsOf(comparison.secondOrder).sign();
    return comparison;
}

std::string comparisonText(const Comparison& comparison, std::string_view first, std::string_view second) {
    std::string out;
    const std::vector<Run>& runs = comparison.runs;
    if (runs.size() == 1) {
        if (runs[0].which == Cheaper::equal)
            out.append(first).append(" and ").append(second).append(" cost the same");
        else
            out.append(runs[0].which == Cheaper::first ? first : second).append(" is cheaper");
        return out + " for every n";
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendRun(out, runs[i], i > 0 ? &runs[i - 1] : nullptr, first, second);
    }
    return out;
}

namespace {

// "a.lc grows as O(n^2)", "a.lc falls without bound as O(n)", "a.lc is O(1)".
void appendCourse(std::string& out, std::string_view name, int order, int sign) {
    out.append(name);
    if (order == 0)
        out += " is ";
    else
        out += sign < 0 ? " falls without bound as " : " grows as ";
    out += orderText(order);
}

}  // namespace

std::string growthText(const Comparison& comparison, std::string_view first, std::string_view second) {
    const int a = comparison.firstOrder;
    const int b = comparison.secondOrder;
    const bool firstFalls = a > 0 && comparison.firstSign < 0;
    const bool secondFalls = b > 0 && comparison.secondSign < 0;
    if (firstFalls && secondFalls) {
        if (a == b)
            return "both fall without bound, neither faster: both are " + orderText(a);
        std::string out = "both fall without bound, ";
        out.append(a > b ? first : second);
        return out + " faster: " + orderText(std::max(a, b)) + " against " + orderText(std::min(a, b));
    }
    if (firstFalls || secondFalls) {
        std::string out;
        appendCourse(out, first, a, comparison.firstSign);
        out += ", ";
        appendCourse(out, second, b, comparison.secondSign);
        return out;
    }
    if (a == b)
        return "neither grows faster: both are " + orderText(a);
    std::string out(a > b ? first : second);
    return out + " grows faster: " + orderText(std::max(a, b)) + " against " + orderText(std::min(a, b));
}

}  // namespace analysis
