// Programs made at random for the tests of derivations and runs, kept as
// trees beside their text, and what naive walks of those trees give: the
// answers the analysis must agree with, made without it.
#ifndef LOOPCOST_TESTS_ANALYSIS_PROGRAMS_H
#define LOOPCOST_TESTS_ANALYSIS_PROGRAMS_H

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "loopcost/analysis/analysis.h"

namespace programs {

using analysis::Integer;

// examples/nested.lc
inline const char* const nested = R"(BEGIN
    LOOP n
        a + b * c ;
        LOOP 3
            LOOP n
                w * w * z + x * y ;
            END
            a * w ;
        END
        r + r + r + r * s ;
        LOOP n
            a * a * a * a ;
        END
    END
    s * s + s ;
END
)";

struct Node {
    bool loop = false;
    int count = 0;  // a loop's; -1 for n
    int additions = 0;
    int multiplications = 0;
    std::vector<Node> body;
    unsigned line = 0;  // where it is written, from 1
    unsigned column = 0;
};
using List = std::vector<Node>;

// A cost model in units of 10^-scale.
struct Units {
    Integer addition;
    Integer multiplication;
    int scale;

    explicit Units(const analysis::CostModel& model)
        : scale(std::max(model.addition.scale, model.multiplication.scale)) {
        addition = model.addition.unitsAt(scale);
        multiplication = model.multiplication.unitsAt(scale);
    }
    Integer of(const Node& statement) const {
        Integer units = addition * statement.additions;
        units += multiplication * statement.multiplications;
        return units;
    }
};

struct Shape {
    int depth;     // loops at most, one inside the other
    int items;     // statements and loops in a list, at most
    bool overN;    // loops over n as well as constant ones
    int maxCount;  // of a constant loop; LOOP 0 and LOOP 1 come often
};

class Generator {
public:
    explicit Generator(unsigned seed) : random(seed) {}

    List make(const Shape& shape) { return list(shape, 0); }

private:
    int upTo(int most) { return std::uniform_int_distribution<int>(0, most)(random); }

    List list(const Shape& shape, int depth) {
        List items(static_cast<std::size_t>(1 + upTo(shape.items - 1)));
        for (Node& node : items) {
            node.loop = depth < shape.depth && upTo(2) == 0;
            if (!node.loop) {
                node.additions = upTo(3);
                node.multiplications = upTo(3);
                continue;
            }
            const int kind = upTo(4);
            node.count = kind == 0 ? 0 : kind == 1 ? 1 : kind == 2 || !shape.overN ? upTo(shape.maxCount) : -1;
            node.body = list(shape, depth + 1);
        }
        return items;
    }

    std::mt19937 random;
};

// `depth` loops, one inside the other, counts taken in turn from `counts`,
// around one statement, each list beginning with `before` statements.
inline List chain(int depth, const std::vector<int>& counts, int before = 0) {
    Node innermost;
    innermost.additions = 1;
    innermost.multiplications = 1;
    List inner{innermost};
    for (int d = depth; d-- > 0;) {
        Node loop;
        loop.loop = true;
        loop.count = counts[static_cast<std::size_t>(d) % counts.size()];
        loop.body = std::move(inner);
        inner = List(static_cast<std::size_t>(before), Node{false, 0, 1, 0, {}, 0, 0});
        inner.push_back(std::move(loop));
    }
    return inner;
}

// "a * b * c + d ;": the '*' first and the '+' after them, between letters
// in turn, in the canonical layout.
inline std::string statementText(const Node& statement) {
    static const char variables[] = "abcdefghijklmnopqrstuvwxyz";
    std::string text = "a";
    for (int i = 0; i < statement.multiplications + statement.additions; ++i)
        text.append(i < statement.multiplications ? " * " : " + ").push_back(variables[(i + 1) % 26]);
    return text + " ;";
}

// One statement or loop a line, indented by two blanks a level, which gives
// each its line and column.
inline void writeList(List& list, std::string& text, unsigned& line, int depth) {
    const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
    for (Node& node : list) {
        node.line = ++line;
        node.column = static_cast<unsigned>(indent.size()) + 1;
        text += indent;
        if (node.loop) {
            text += node.count < 0 ? "LOOP n\n" : "LOOP " + std::to_string(node.count) + "\n";
            writeList(node.body, text, line, depth + 1);
            text += indent + "END\n";
            ++line;
            continue;
        }
        text += statementText(node) + "\n";
    }
}

inline std::string write(List& program) {
    std::string text = "BEGIN\n";
    unsigned line = 1;
    writeList(program, text, line, 1);
    return text + "END\n";
}

inline Integer countAt(const Node& loop, const Integer& n) { return loop.count < 0 ? n : Integer(loop.count); }

// The cost at n, in units, by walking the tree.
inline Integer valueAt(const List& list, const Units& units, const Integer& n) {
    Integer sum = 0;
    for (const Node& node : list)
        sum += node.loop ? countAt(node, n) * valueAt(node.body, units, n) : units.of(node);
    return sum;
}

// How many statements run at n.
inline Integer stepsAt(const List& list, const Integer& n) {
    Integer steps = 0;
    for (const Node& node : list)
        steps += node.loop ? countAt(node, n) * stepsAt(node.body, n) : Integer(1);
    return steps;
}

// One statement run, as a naive interpreter sees it.
struct Ran {
    const Node* statement;
    std::vector<Integer> counters;
    Integer units;  // its own cost
    Integer total;  // up to it
    Integer additions;
    Integer multiplications;
};

inline void run(const List& list, const Units& units, int n, std::vector<Integer>& counters, std::vector<Ran>& out) {
    for (const Node& node : list) {
        if (!node.loop) {
            Ran step{&node, counters, units.of(node), 0, node.additions, node.multiplications};
            if (!out.empty()) {
                step.total = out.back().total;
                step.additions += out.back().additions;
                step.multiplications += out.back().multiplications;
            }
            step.total += step.units;
            out.push_back(std::move(step));
            continue;
        }
        const int count = node.count < 0 ? n : node.count;
        counters.emplace_back(0);
        for (int pass = 1; pass <= count; ++pass) {
            counters.back() = pass;
            run(node.body, units, n, counters, out);
        }
        counters.pop_back();
    }
}

inline std::vector<Ran> run(const List& program, const Units& units, int n) {
    std::vector<Ran> out;
    std::vector<Integer> counters;
    run(program, units, n, counters, out);
    return out;
}

inline analysis::CostModel model(const char* addition, const char* multiplication) {
    return analysis::CostModel{*analysis::Decimal::parse(addition), *analysis::Decimal::parse(multiplication)};
}

// Every model worth a derivation: the default, nothing, negative and decimal
// costs.
inline std::vector<analysis::CostModel> models() {
    return {model("1", "1"), model("0", "0"), model("-2", "3"), model("0.1", "0.7"), model("1.25", "-0.5")};
}

}  // namespace programs

#endif
