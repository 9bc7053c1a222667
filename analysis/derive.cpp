// The cost as nested sums, and the steps that solve them from the inside out.
#include "loopcost/analysis/derive.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace analysis {

std::string indexName(int depth) {
    static const char* const first[] = {"i", "j", "k"};
    return depth < 3 ? first[depth] : "i" + std::to_string(depth + 1);
}

namespace {

// A polynomial in n in units of 10^-scale, n^0 first, with no zero at the
// top: zero is empty.
using Poly = std::vector<Integer>;

void trim(Poly& p) {
    while (!p.empty() && p.back().is_zero())
        p.pop_back();
}

int nonzeroTerms(const Poly& p) {
    int terms = 0;
    for (const Integer& units : p)
        terms += units.is_zero() ? 0 : 1;
    return terms;
}

void addTimes(Poly& sum, const Poly& p, const Integer& factor) {
    if (sum.size() < p.size())
        sum.resize(p.size());
    for (std::size_t i = 0; i < p.size(); ++i)
        sum[i] += factor * p[i];
}

// A sum over n of what does not depend on its index: n times it.
Poly timesN(Poly p) {
    if (!p.empty())
        p.insert(p.begin(), Integer(0));
    return p;
}

// A loop's count as a sum's upper bound writes it; below 0 for n.
std::string countText(std::int32_t count) { return count < 0 ? "n" : std::to_string(count); }

// The LaTeX of an index: i_{4} where the text has i4.
std::string latexIndex(int depth) { return depth < 3 ? indexName(depth) : "i_{" + std::to_string(depth + 1) + "}"; }

// Writes one line of a derivation twice, as text and as LaTeX.
class Writer {
public:
    explicit Writer(int scale) : scale(scale), one(Decimal::whole(1).unitsAt(scale)) {}
    // A line after its beginnings, with room for about as many bytes as the
    // line before it: a line is seldom longer than that one.
    Writer(int scale, const char* text, const char* latex, const Derivation& before) : Writer(scale) {
        this->text.reserve(before.text.empty() ? 0 : before.text.back().size());
        this->latex.reserve(before.latex.empty() ? 0 : before.latex.back().size());
        this->text = text;
        this->latex = latex;
    }

    void both(const char* piece) {
        text += piece;
        latex += piece;
    }

    // A polynomial as an item of a list: after the first, its first term's
    // sign joins it to what stands before.
    void poly(const Poly& p, bool first) {
        if (p.empty()) {
            both(first ? "0" : " + 0");
            return;
        }
        for (std::size_t power = p.size(); power-- > 0;) {
            if (p[power].is_zero())
                continue;
            term(p[power], static_cast<int>(power), first);
            first = false;
        }
    }

    // "3(4n + 1)"
    void product(std::int32_t factor, const Poly& p, bool first) {
        if (!first)
            both(" + ");
        const std::string count = std::to_string(factor);
        text.append(count).append("(");
        latex.append(count).append("\\left(");
        poly(p, true);
        text += ')';
        latex += "\\right)";
    }

    // "Σ_{j=1}^{3} ", before its body; `loop` among the program's loops
    void sumHead(std::int32_t count, int depth, std::int32_t loop, bool first) {
        if (!first)
            both(" + ");
        sums.push_back(loop);
        const std::string upper = countText(count);
        text.append("\xce\xa3_{").append(indexName(depth)).append("=1}^{").append(upper).append("} ");
        latex.append("\\sum_{").append(latexIndex(depth)).append("=1}^{").append(upper).append("} ");
    }
    void open() {
        text += "( ";
        latex += "\\left( ";
    }
    void close() {
        text += " )";
        latex += " \\right)";
    }

    std::string text;
    std::string latex;
    std::vector<std::int32_t> sums;  // the loop of each Σ written

private:
    // "4n", "-n", " - 0.5n^2", " + 3"
    void term(const Integer& units, int power, bool first) {
        const bool negative = units < 0;
        if (!first)
            both(negative ? " - " : " + ");
        else if (negative)
            both("-");
        const Integer magnitude = negative ? Integer(-units) : units;
        if (power == 0 || magnitude != one) {
            const std::size_t from = text.size();
            Decimal::appendDecimal(text, magnitude, scale);
            latex.append(text, from, std::string::npos);
        }
        if (power == 0)
            return;
        both("n");
        if (power == 1)
            return;
        const std::string exponent = std::to_string(power);
        text.append("^").append(exponent);
        latex.append("^{").append(exponent).append("}");
    }

    int scale;
    Integer one;  // 10^scale: a coefficient of 1, which is not written
};

enum class Kind : std::uint8_t { polynomial, product, sum };

// What a list adds up: a polynomial, a product c(p), or a loop's sum.
struct Item {
    Kind kind;
    std::int32_t count;  // a sum's count, below 0 for n; a product's factor
    std::int32_t depth;  // a sum's loop's loops around it: the name of its index
    std::uint32_t body;  // a sum's body among the lists: 1 + its loop's index, as the bodies are made in order
    Poly poly;           // a polynomial's value; what a product multiplies
};

using Items = std::vector<Item>;

// items[from, to) make one polynomial as they stand: all polynomials, none
// zero unless it stands alone, their terms' powers descending across them.
bool collected(const Items& items, std::size_t from, std::size_t to) {
    if (to - from == 1 && items[from].kind == Kind::polynomial)
        return true;
    std::size_t last = SIZE_MAX;
    for (std::size_t i = from; i < to; ++i) {
        const Item& item = items[i];
        if (item.kind != Kind::polynomial || item.poly.empty())
            return false;
        for (std::size_t power = item.poly.size(); power-- > 0;) {
            if (item.poly[power].is_zero())
                continue;
            if (power >= last)
                return false;
            last = power;
        }
    }
    return true;
}

// items[from, to), polynomials and products, multiplied out and added up.
Poly collect(const Items& items, std::size_t from, std::size_t to) {
    Poly sum;
    for (std::size_t i = from; i < to; ++i)
        addTimes(sum, items[i].poly, Integer(items[i].kind == Kind::product ? items[i].count : 1));
    trim(sum);
    return sum;
}

// A line this long is too long to read: from then on a step also collects
// the polynomials side by side in a list that still holds sums, so that
// thousands of statements around a deep loop are not written again on each
// of its steps.
const std::size_t compactAfter = std::size_t(1) << 16;

// The program as lists of items: lists[0] the program's, every other the
// body of a sum. The tree is built and walked with stacks, never by
// recursion.
class Deriver {
public:
    explicit Deriver(const Analysis& analysis);

    // The current line as text and as LaTeX, after `out`'s beginnings.
    void line(Writer& out) const;
    // Takes one step; false when the program's list is one polynomial already.
    bool step();
    void compact() { compacting = true; }

private:
    void flags();
    void solve(Item& sum);

    std::vector<Items> lists;
    std::vector<std::uint32_t> live;  // the lists still written, the program's first
    std::vector<bool> hasSum;         // by list, as flags() found them
    std::vector<bool> isCollected;
    bool compacting = false;
};

Deriver::Deriver(const Analysis& analysis) : lists(1), live{0} {
    const CostModel& model = analysis.model();
    const int scale = std::max(model.addition.scale, model.multiplication.scale);
    const Integer addition = model.addition.unitsAt(scale);
    const Integer multiplication = model.multiplication.unitsAt(scale);
    struct Open {
        std::int32_t statement;  // -1 for the program
        std::uint32_t list;
    };
    std::vector<Open> open{Open{-1, 0}};
    const Analysis::Statements& statements = analysis.statements();
    for (std::size_t x = 0; x < statements.size(); ++x) {
        const StatementInfo& s = statements[x];
        while (open.size() > 1 && open.back().statement != s.parent)
            open.pop_back();
        const std::uint32_t into = open.back().list;
        if (s.isLoop()) {
            const auto body = static_cast<std::uint32_t>(lists.size());
            lists.emplace_back();
            lists[into].push_back(Item{Kind::sum, s.count < 0 ? -1 : s.count, s.depth, body, Poly()});
            live.push_back(body);
            open.push_back(Open{static_cast<std::int32_t>(x), body});
        } else {
            Poly own{addition * s.additions};
            own[0] += multiplication * s.multiplications;
            trim(own);
            lists[into].push_back(Item{Kind::polynomial, 0, 0, 0, std::move(own)});
        }
    }
    hasSum.resize(lists.size());
    isCollected.resize(lists.size());
}

void Deriver::line(Writer& out) const {
    struct Frame {
        std::uint32_t list;
        std::size_t next;  // the item to write next
    };
    std::vector<Frame> stack{Frame{0, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        const Items& items = lists[top.list];
        if (top.next == items.size()) {
            stack.pop_back();
            if (!stack.empty())
                out.close();
            continue;
        }
        const Item& item = items[top.next];
        const bool first = top.next++ == 0;
        if (item.kind == Kind::polynomial) {
            out.poly(item.poly, first);
        } else if (item.kind == Kind::product) {
            out.product(item.count, item.poly, first);
        } else {
            out.sumHead(item.count, item.depth, static_cast<std::int32_t>(item.body) - 1, first);
            // a single number that is not negative needs no parentheses
            const Items& body = lists[item.body];
            const bool bare = body.size() == 1 && body[0].kind == Kind::polynomial && body[0].poly.size() <= 1 &&
                              (body[0].poly.empty() || body[0].poly[0] > 0);
            if (bare) {
                out.poly(body[0].poly, true);
            } else {
                out.open();
                stack.push_back(Frame{item.body, 0});
            }
        }
    }
}

void Deriver::flags() {
    for (const std::uint32_t list : live) {
        const Items& items = lists[list];
        bool sums = false;
        for (const Item& item : items)
            sums = sums || item.kind == Kind::sum;
        hasSum[list] = sums;
        isCollected[list] = !sums && collected(items, 0, items.size());
    }
}

// Σ over n of p is p times n, over 0 nothing, over 1 p, over c the product
// c(p), or c times p where that is one term.
void Deriver::solve(Item& sum) {
    Items& body = lists[sum.body];
    Poly p = collect(body, 0, body.size());
    Items().swap(body);
    const std::int32_t count = sum.count;
    sum.kind = Kind::polynomial;
    if (count < 0) {
        p = timesN(std::move(p));
    } else if (count == 0) {
        p.clear();
    } else if (count > 1 && nonzeroTerms(p) <= 1) {
        for (Integer& units : p)
            units *= count;
    } else if (count > 1) {
        sum.kind = Kind::product;
    }
    sum.poly = std::move(p);
}

bool Deriver::step() {
    flags();
    if (!hasSum[0] && isCollected[0])
        return false;
    // the runs of items other than sums, in a list that holds sums, that a
    // compacting step collects: pairs of from, to
    std::vector<std::pair<std::uint32_t, std::pair<std::size_t, std::size_t>>> runs;
    bool collecting = false;
    for (const std::uint32_t list : live) {
        if (!hasSum[list]) {
            collecting = collecting || !isCollected[list];
            continue;
        }
        if (!compacting)
            continue;
        const Items& items = lists[list];
        for (std::size_t from = 0; from < items.size();) {
            std::size_t to = from;
            while (to < items.size() && items[to].kind != Kind::sum)
                ++to;
            if (to > from && !collected(items, from, to))
                runs.push_back({list, {from, to}});
            from = to + 1;
        }
    }
    collecting = collecting || !runs.empty();
    if (collecting) {
        for (const std::uint32_t list : live) {
            Items& items = lists[list];
            if (hasSum[list] || isCollected[list])
                continue;
            Poly sum = collect(items, 0, items.size());
            items.clear();
            items.push_back(Item{Kind::polynomial, 0, 0, 0, std::move(sum)});
        }
        // from the last run of a list to its first, so that the places of
        // those before stay where they were
        for (std::size_t r = runs.size(); r-- > 0;) {
            Items& items = lists[runs[r].first];
            const std::size_t from = runs[r].second.first;
            const std::size_t to = runs[r].second.second;
            items[from] = Item{Kind::polynomial, 0, 0, 0, collect(items, from, to)};
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(from + 1),
                        items.begin() + static_cast<std::ptrdiff_t>(to));
        }
        return true;
    }
    for (const std::uint32_t list : live)
        for (Item& item : lists[list])
            if (item.kind == Kind::sum && isCollected[item.body])
                solve(item);
    std::size_t kept = 0;
    for (const std::uint32_t list : live)
        if (list == 0 || !lists[list].empty())
            live[kept++] = list;
    live.resize(kept);
    return true;
}

}  // namespace

Derivation deriveCost(const Analysis& analysis) {
    Derivation derivation;
    if (!analysis.ok())
        return derivation;
    Deriver deriver(analysis);
    const int scale = std::max(analysis.model().addition.scale, analysis.model().multiplication.scale);
    do {
        const bool first = derivation.text.empty();
        Writer line(scale, first ? "T(n) = " : "     = ", first ? "T(n) &= " : "&= ", derivation);
        deriver.line(line);
        if (first && line.text.size() > compactAfter)
            deriver.compact();
        derivation.text.push_back(std::move(line.text));
        derivation.latex.push_back(std::move(line.latex));
        derivation.sums.push_back(std::move(line.sums));
    } while (deriver.step());
    for (std::size_t i = 0; i + 1 < derivation.latex.size(); ++i)
        derivation.latex[i] += " \\\\";
    return derivation;
}

std::string loopSum(const Analysis& analysis, const StatementInfo& loop) {
    if (!loop.isLoop() || !loop.costed)
        return {};
    const Cost perRun = analysis.perRunOf(loop);
    Poly body;
    for (int power = 0; power <= perRun.degree(); ++power)
        body.push_back(perRun.unitsOf(power));
    trim(body);
    const std::int32_t count = loop.count < 0 ? -1 : loop.count;
    Writer out(perRun.scale());
    out.sumHead(count, loop.depth, loop.loop, true);
    if (body.size() <= 1 && (body.empty() || body[0] > 0)) {
        out.poly(body, true);
    } else {
        out.open();
        out.poly(body, true);
        out.close();
    }
    out.text += " = ";
    if (count < 0) {
        body = timesN(std::move(body));
    } else {
        for (Integer& units : body)
            units *= count;
        trim(body);
    }
    out.poly(body, true);
    return out.text;
}

}  // namespace analysis
