#include "loopcost/cli/explain.h"

#include <ostream>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/explain.h"

void writeExplanation(std::ostream& out, const std::string& name, const analysis::Analysis& program) {
    for (const analysis::StatementInfo& statement : program.statements()) {
        if (statement.isLoop())
            continue;
        const analysis::Explanation e = analysis::explanationOf(program, statement);
        out << name << ':' << e.place.line << ':' << e.place.column << ": " << e.text << ' ' << e.derivation << '\n';
    }
    out << name << ": " << analysis::explanationTotal(program) << '\n';
}
