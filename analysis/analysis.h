#ifndef LOOPCOST_ANALYSIS_ANALYSIS_H
#define LOOPCOST_ANALYSIS_ANALYSIS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cost.h"
#include "largememory.h"
#include "number.h"
#include "text.h"

class Program;
class SourceMap;
class Statement;

namespace analysis {

// What one '+' and one '*' cost, exactly.
struct CostModel {
    Decimal addition = Decimal::whole(1);
    Decimal multiplication = Decimal::whole(1);
};

// Why a text is not a program, where, in plain words.
struct Diagnostic {
    std::size_t offset;   // first byte of the offending text, or the end of input
    std::size_t length;   // bytes of the offending text; 0 at the end of input
    Place place;          // of `offset`
    std::string message;  // every byte that is not printable ASCII written as \xHH
};

// The operations of a program, as polynomials in n with whole coefficients:
// how many '+' and how many '*' run, whatever they cost.
struct Counts {
    std::vector<Integer> additions;        // additions[i] multiplies n^i
    std::vector<Integer> multiplications;  // as long as `additions`
};

// One statement or loop of a program, in source order.
struct StatementInfo {
    std::int64_t begin;            // offset of its first byte
    std::int64_t end;              // one past its ';' or its END
    const ::Statement* node;       // in the analysed tree
    std::int32_t parent;           // index of the loop around it, or -1
    std::int32_t loop;             // for a loop, its index among the loops; -1 for a statement
    std::int16_t depth;            // loops around it
    std::int16_t power;            // loops over n around it, a loop's own counted
    std::uint8_t additions;        // a statement's own '+'
    std::uint8_t multiplications;  // a statement's own '*'

    bool isLoop() const { return loop >= 0; }
};

// How much an analysis works out beyond the total.
enum class Detail {
    total,       // the total cost and the counts
    statements,  // also every statement's cost, position and text
};

// A program text read, checked and costed exactly. The text must outlive the
// analysis, which one thread uses at a time. A UTF-8 byte-order mark at the start is skipped; offsets count
// from the first byte of the text all the same.
class Analysis {
public:
    Analysis(std::string_view text, const CostModel& model, Detail detail = Detail::statements);
    ~Analysis();
    Analysis(const Analysis&) = delete;
    Analysis& operator=(const Analysis&) = delete;

    // Set when the text is not a program; nothing else is then.
    const std::optional<Diagnostic>& error() const { return fault; }
    bool ok() const { return !fault; }

    std::string_view text() const { return source; }
    // Made on first use: a total alone needs no lines.
    const LineIndex& lines() const;
    const Program& program() const { return *tree; }
    // One past the closing END.
    std::size_t programEnd() const { return endOfProgram; }
    // The program in its canonical layout, as the library prints it.
    std::string canonicalText() const;

    const Cost& total() const { return sum; }
    const Counts& counts() const { return operations; }
    const CostModel& model() const { return costs; }

    // Empty unless the detail was asked for.
    using Statements = std::vector<StatementInfo, largememory::Allocator<StatementInfo>>;
    using Integers = std::vector<Integer, largememory::Allocator<Integer>>;
    const Statements& statements() const { return parts; }
    // A statement's cost times the counts of the loops around it; a loop's
    // whole cost times the counts of the loops around it.
    Cost costOf(const StatementInfo& statement) const;
    // The same without making a Cost, for output of millions of statements:
    // a loop's whole cost, and a statement's one term, units * 10^-scale *
    // n^power.
    Cost loopCostOf(const StatementInfo& loop) const;
    Integer statementUnits(const StatementInfo& statement) const;
    // How many '+' and '*' a statement runs: its own operations times the
    // counts of the loops around it; for a loop, those of every statement in
    // it, added up.
    Counts countsOf(const StatementInfo& statement) const;
    // Appends the text of costOf(statement).
    void appendCostText(std::string& out, const StatementInfo& statement) const;
    // The text and the share of a statement's one term from its units, for
    // output that has worked them out already.
    void appendTermText(std::string& out, const StatementInfo& statement, const Integer& units) const;
    double shareOfTerm(const StatementInfo& statement, const Integer& units) const;
    double shareOf(const StatementInfo& statement) const;
    Place placeOf(const StatementInfo& statement) const {
        return lines().placeOf(static_cast<std::size_t>(statement.begin));
    }
    // "a + b * c ;" for a statement, "LOOP n" or "LOOP 3" for a loop.
    static std::string canonicalText(const StatementInfo& statement);
    static void appendCanonicalText(std::string& out, const StatementInfo& statement);
    // The costliest statements (not loops), at most `count`, costliest
    // first; equal costs in source order.
    std::vector<const StatementInfo*> hottest(std::size_t count) const;
    // The innermost statement or loop whose text holds `offset`, or null.
    const StatementInfo* statementAt(std::size_t offset) const;

private:
    void read(SourceMap* map);
    Counts countInTree() const;
    Counts countRecorded() const;
    void addOperations(Counts& counts, const StatementInfo& statement) const;
    void costTotal();
    void costStatements(const SourceMap& map);

    std::string_view source;
    mutable std::unique_ptr<LineIndex> lineIndex;
    CostModel costs;
    std::optional<Diagnostic> fault;
    std::unique_ptr<Program> tree;
    std::size_t endOfProgram = 0;
    Cost sum;
    Counts operations;
    Statements parts;
    // The whole cost of each loop, by its index: its coefficients from the
    // power of the loop itself up, since none below can be other than zero,
    // one loop after the other in `loopUnits`.
    struct LoopCost {
        std::size_t first;   // index of its lowest coefficient in loopUnits
        std::int32_t count;  // coefficients it has there
    };
    std::vector<LoopCost, largememory::Allocator<LoopCost>> loopCosts;
    Integers loopUnits;
    Integers loopFactors;  // the constant counts of each loop and those around it, multiplied
    const Integer one = 1;
    Integer additionUnits;  // the model's costs in units of 10^-scale
    Integer multiplicationUnits;
    // A statement has at most 49 operations of a kind: their costs, by count.
    static const int maxOperations = 49;
    std::vector<Integer> additionTimes;
    std::vector<Integer> multiplicationTimes;
    int scale = 0;
};

}  // namespace analysis

#endif
