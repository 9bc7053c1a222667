#ifndef LOOPCOST_ANALYSIS_ANALYSIS_H
#define LOOPCOST_ANALYSIS_ANALYSIS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loopcost/analysis/cost.h"
#include "loopcost/analysis/number.h"
#include "loopcost/analysis/reader.h"
#include "loopcost/analysis/text.h"
#include "loopcost/model/largememory.h"

namespace analysis {

struct Syntax;

// What one '+' and one '*' cost, exactly.
struct CostModel {
    Decimal addition = Decimal::whole(1);
    Decimal multiplication = Decimal::whole(1);
};

// The one reader of a cost that a user gives, for every front-end: a decimal
// number as Decimal::parse reads it, nothing around it.
std::optional<Decimal> parseCost(std::string_view text);

// The operations of a program, as polynomials in n with whole coefficients:
// how many '+' and how many '*' run, whatever they cost.
struct Counts {
    std::vector<Integer> additions;        // additions[i] multiplies n^i
    std::vector<Integer> multiplications;  // as long as `additions`
};

// One statement or loop of a program, in source order.
struct StatementInfo {
    std::int64_t begin;            // offset of its first byte
    std::int64_t end;              // one past its ';' or its END; the end of input for a loop left open
    std::int32_t parent;           // index of the loop around it, or -1
    std::int32_t loop;             // for a loop, its index among the loops; -1 for a statement
    std::int32_t count;            // a loop's count, -1 or below for n; ReadEvents::unknownCount if it did not read
    std::uint32_t line;            // of `begin`, from 1
    std::uint32_t column;          // of `begin`, in bytes from 1
    std::int32_t depth;            // loops around it, however deep (those too deep do not read)
    std::int32_t power;            // loops over n around it, a loop's own counted
    std::uint8_t additions;        // a statement's own '+'
    std::uint8_t multiplications;  // a statement's own '*'
    bool costed;                   // false inside (or for) a loop whose count did not read
    bool ended;                    // false for a loop that the input left open, without its END

    bool isLoop() const { return loop >= 0; }
};

// How much an analysis works out beyond the total.
enum class Detail {
    total,       // the total cost and the counts
    statements,  // also every statement's cost, position and text
};

// The operations counted as a program is read: per power of n, in machine
// words while they fit, with integers of any size from the first overflow on.
class OperationCounter : public ReadEvents {
public:
    OperationCounter();
    ~OperationCounter() override;
    void loopBegins(std::size_t offset, Place place, std::int32_t count) override;
    void loopEnds(std::size_t end) override;
    void statement(std::size_t begin, std::size_t end, Place place, int additions, int multiplications) override;
    Counts counts() const;

private:
    struct Level;
    void growTo(std::size_t power);
    void addBig(const Level& level, int additions, int multiplications);
    std::vector<Level> levels;
    std::vector<std::int64_t> additions;
    std::vector<std::int64_t> multiplications;
    bool big = false;  // the counts are in the integers below from now on
    std::vector<Integer> bigAdditions;
    std::vector<Integer> bigMultiplications;
};

// A program text read, checked and costed exactly: the one report that every
// front-end shows. The text must outlive the analysis, which one thread uses
// at a time. A UTF-8 byte-order mark at the start is skipped; offsets count
// from the first byte of the text all the same.
class Analysis {
public:
    Analysis(std::string_view text, const CostModel& model, Detail detail = Detail::statements);
    ~Analysis();
    Analysis(const Analysis&) = delete;
    Analysis& operator=(const Analysis&) = delete;

    // Every error, in source order (at most Reader::maxDiagnostics); the
    // first is where the library's reader stops.
    const std::vector<Diagnostic>& diagnostics() const { return diagnosticsFound; }
    // The first error, or null when the text is a program.
    const Diagnostic* error() const { return diagnosticsFound.empty() ? nullptr : &diagnosticsFound.front(); }
    bool ok() const { return diagnosticsFound.empty(); }

    std::string_view text() const { return programText; }
    // Made on first use: a total alone needs no lines.
    const LineIndex& lines() const;
    // One past the closing END.
    std::size_t programEnd() const { return programEndOffset; }
    // The spans of its keywords, as the reader reads them: made on first use
    // (syntax.h), since neither a total nor a cost needs them.
    const Syntax& syntax() const;

    // Only where ok(): a text with errors has no total.
    const Cost& total() const { return totalCost; }
    const Counts& counts() const { return operationCounts; }
    const CostModel& model() const { return costModel; }

    // Empty unless the detail was asked for; with errors, the statements
    // that read.
    using Statements = std::vector<StatementInfo, largememory::Allocator<StatementInfo>>;
    using Factors = std::vector<std::int64_t, largememory::Allocator<std::int64_t>>;
    const Statements& statements() const { return statementList; }
    // A statement's cost times the counts of the loops around it; a loop's
    // whole cost times the counts of the loops around it. Zero for what is
    // not costed.
    Cost costOf(const StatementInfo& statement) const;
    // A loop's whole cost as costOf gives it, from the loop's own power of n
    // up, since none below can be other than zero: for questions that go
    // through every loop of a deep program, which would make each loop's
    // zeros again. Empty for what is not costed, and for a statement.
    std::vector<Integer> loopCostUnits(const StatementInfo& loop) const;
    // What the cost is of the total as n grows (see Cost::shareOf).
    double shareOf(const StatementInfo& statement) const;
    // A statement's cost, units * 10^-scale * n^power, and how many times it
    // runs, runs * n^power, in machine words: for writing and ranking
    // millions of statements without making a Cost and a polynomial of runs
    // for each. Nothing for a loop, for what is not costed, and where a
    // number does not fit.
    struct Term {
        std::int32_t power;
        std::int64_t units;
        std::int64_t runs;
        int scale;
    };
    std::optional<Term> termOf(const StatementInfo& statement) const;
    // A loop's whole cost in machine words, as costOf has it: `count`
    // coefficients, units * 10^-scale, of n^power and up. Nothing for a
    // statement, for what is not costed, and where some do not fit.
    struct Terms {
        std::int32_t power;
        std::int32_t count;
        const std::int64_t* units;
        int scale;
    };
    std::optional<Terms> termsOf(const StatementInfo& loop) const;
    // How many '+' and '*' a statement runs: its own operations times the
    // counts of the loops around it; for a loop, those of every statement in
    // it, added up.
    Counts countsOf(const StatementInfo& statement) const;
    // How many times a statement runs (for a loop: its body), as a
    // polynomial in n: the product of the counts of the loops around it.
    std::vector<Integer> runsOf(const StatementInfo& statement) const;
    Place placeOf(const StatementInfo& statement) const { return Place{statement.line, statement.column}; }
    // What one run costs: for a statement, its own operations at the model's
    // costs, a constant; for a loop, one pass of its body, the costs of what
    // is in it times the counts of the loops in between.
    Cost perRunOf(const StatementInfo& statement) const;
    // "runs 3 * n^2 times, 4 per run"; for a loop, "its body runs n^1 times,
    // 3 * n^1 + 2 per run". Each number stands between two `quote`s.
    std::string runsText(const StatementInfo& statement, std::string_view quote = {}) const;

    // The program in the library's canonical layout, from the statements.
    std::string canonicalProgram() const;
    // "a + b * c ;" for a statement, "LOOP n" or "LOOP 3" for a loop.
    // (canonical.h writes it in place.)
    std::string canonicalText(const StatementInfo& statement) const;
    // The innermost statement or loop whose text holds `offset`, or null.
    const StatementInfo* statementAt(std::size_t offset) const;

    // Where costs are shown, the same in every front-end: on the line where
    // a statement or loop begins, the cost of what begins there and is not
    // inside something else that begins on that line. In line order.
    struct LineCost {
        std::size_t line;   // from 1
        std::size_t first;  // index of the first statement that begins there
        Cost cost;          // of the outermost ones among them
        double share;       // of the total
    };
    // Those of the lines from `firstLine` to `lastLine`: a page or an editor
    // shows a few dozen lines of a program of thousands.
    std::vector<LineCost> lineCosts(std::size_t firstLine = 1, std::size_t lastLine = SIZE_MAX) const;
    // The rule of lineCosts for one statement or loop: whether its cost is
    // shown on its line, not being inside something that begins there too.
    bool shownOnItsLine(const StatementInfo& statement) const {
        return statement.parent < 0 || statementList[static_cast<std::size_t>(statement.parent)].line != statement.line;
    }

private:
    void costStatements();
    // Adds up the statements' costs into their loops' in `units`; false
    // where machine words overflow.
    template <class Number>
    bool costLoops(std::vector<Number, largememory::Allocator<Number>>& units);
    bool statementUnitsIn(const StatementInfo& statement, std::int64_t& units) const;
    bool statementUnitsIn(const StatementInfo& statement, Integer& units) const;
    void factorsInIntegers();
    Integer statementUnits(const StatementInfo& statement) const;
    // statementUnits and the constant counts around, where both fit in machine words.
    bool smallUnits(const StatementInfo& statement, std::int64_t& units, std::int64_t& factor) const;
    // A statement's own operations at the model's costs, in units of 10^-scale.
    Integer ownUnits(const StatementInfo& statement) const;
    // The constant counts around a statement, multiplied; those of a loop
    // and the loops around it.
    Integer factorOf(const StatementInfo& statement) const;
    Integer loopFactor(std::size_t loop) const;

    std::string_view programText;                  // text()
    mutable std::unique_ptr<LineIndex> lineIndex;  // lines()
    mutable std::unique_ptr<Syntax> syntaxRead;    // syntax()
    CostModel costModel;                           // model()
    std::vector<Diagnostic> diagnosticsFound;      // diagnostics()
    std::size_t programEndOffset = 0;              // programEnd()
    Cost totalCost;                                // total()
    Counts operationCounts;                        // counts()
    Statements statementList;                      // statements()
    // The whole cost of each loop, by its index: its coefficients from the
    // power of the loop itself up, since none below can be other than zero,
    // one loop after the other in `loopUnits`.
    struct LoopCost {
        std::size_t first;   // index of its lowest coefficient in loopUnits
        std::int32_t count;  // coefficients it has there
    };
    using Integers = std::vector<Integer, largememory::Allocator<Integer>>;
    std::vector<LoopCost, largememory::Allocator<LoopCost>> loopCosts;
    Integers loopUnits;
    Factors smallLoopUnits;  // the same in machine words, where all of them fit
    // The constant counts of each loop and those around it, multiplied, in
    // machine words, -1 where they do not fit; all of them as integers of
    // any size only where some do not.
    Factors smallFactors;
    Integers loopFactors;
    // The model in machine words, where its costs are small enough.
    bool smallModel = false;
    bool loopsInWords = false;  // the loops' costs are in smallLoopUnits, not loopUnits
    int scale = 0;              // of every cost: units of 10^-scale
    std::int64_t smallAdditions = 0;
    std::int64_t smallMultiplications = 0;
    Integer additionUnits;  // the model's costs in units of 10^-scale
    Integer multiplicationUnits;
    // A statement has at most 49 operations of a kind: their costs, by count.
    static const int maxOperations = 49;
    std::vector<Integer> additionTimes;
    std::vector<Integer> multiplicationTimes;
};

// The total cost of a program read from `input` a block at a time, in memory
// that does not grow with the input.
struct StreamedCost {
    std::vector<Diagnostic> diagnostics;
    Counts counts;
    Cost total;
};
StreamedCost costStream(ByteSource& input, const CostModel& model);

// The cost under `model` of operations counted as `counts`.
Cost costOfCounts(const Counts& counts, const CostModel& model);

// A share as every front-end writes it: "77.8%", "0.123%", "0%".
std::string shareText(double share);

}  // namespace analysis

#endif
