#include "compare.h"

#include <algorithm>
#include <utility>

namespace analysis {

namespace {

// A polynomial with whole coefficients; [i] multiplies x^i.
using Coefficients = std::vector<Integer>;

Integer horner(const Coefficients& p, const Integer& x) {
    Integer value = 0;
    for (auto c = p.rbegin(); c != p.rend(); ++c) {
        value *= x;
        value += *c;
    }
    return value;
}

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

// Bits b such that every positive root of p is below 2^b: twice the largest
// (|c_i| / |c_d|)^(1 / (d - i)) over the coefficients of the other sign than
// the leading one bounds them, and each ratio is below 2^(msb c_i + 1 - msb c_d).
std::size_t positiveRootBits(const Coefficients& p) {
    const std::size_t d = p.size() - 1;
    const Integer& lead = p[d];
    const long long leadBits = static_cast<long long>(msb(abs(lead)));
    long long most = 0;
    for (std::size_t i = 0; i < d; ++i) {
        if (p[i].is_zero() || p[i].sign() == lead.sign())
            continue;
        const long long over = static_cast<long long>(msb(abs(p[i]))) + 1 - leadBits;
        const auto gap = static_cast<long long>(d - i);
        if (over > 0)
            most = std::max(most, (over + gap - 1) / gap);
    }
    return static_cast<std::size_t>(most) + 1;
}

// Whether q has no root beyond 1: q(1 + x) has no sign change.
bool noRootBeyondOne(const Coefficients& q) {
    Coefficients beyond = q;
    shiftByOne(beyond);
    const int lead = q.back().sign();
    return std::all_of(beyond.begin(), beyond.end(), [lead](const Integer& c) { return c.sign() * lead >= 0; });
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

// Exactly one simple root lies between a and b = a + w, and p has the sign s
// just right of a: the whole numbers strictly between split where that sign
// is lost, found by halving on them.
void splitAtRoot(const Coefficients& p, const Integer& a, const Integer& w, int s, SignRuns& runs) {
    Integer low = a + 1;
    Integer high = a + w;  // the first whole number whose sign is not s, if below a + w
    Integer atHigh = 0;
    while (low < high) {
        const Integer mid = (low + high) >> 1;
        Integer value = horner(p, mid);
        if (value.sign() * s > 0) {
            low = mid + 1;
        } else {
            high = mid;
            atHigh = std::move(value);
        }
    }
    const Integer last = a + w - 1;
    runs.add(a + 1, high - 1, s);
    if (high > last)
        return;
    runs.addPoint(high, atHigh.sign());
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

std::vector<Run> runsOf(const Coefficients& p) {
    SignRuns runs;
    const int lead = p.back().sign();
    if (p.size() == 1)
        return runs.take(0, lead);
    runs.addPoint(0, p[0].sign());
    // q(x) = p(2^bits x): no root beyond 2^bits when q(1 + x) has no sign
    // change; the bound promises that, and is doubled where it would not hold.
    std::size_t bits = positiveRootBits(p);
    Coefficients q = scaled(p, bits);
    while (!noRootBeyondOne(q))
        q = scaled(p, ++bits);
    const Integer bound = Integer(1) << bits;
    const int atBound = sumOf(q).sign();
    sortInterval(p, Piece{0, bound, std::move(q), false, 0}, runs);
    runs.addPoint(bound, atBound);
    return runs.take(bound + 1, lead);
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

Comparison compareCosts(const Cost& first, const Cost& second) {
    Comparison comparison;
    comparison.runs = runsOf(difference(first, second));
    comparison.inTheEnd = comparison.runs.back().which;
    comparison.firstOrder = first.order();
    comparison.secondOrder = second.order();
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

}  // namespace analysis
