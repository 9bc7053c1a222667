#include "explain.h"

#include <ostream>

#include "analysis.h"

void writeExplanation(std::ostream& out, const std::string& name, const analysis::Analysis& program) {
    for (const analysis::StatementInfo& statement : program.statements()) {
        if (statement.isLoop())
            continue;
        const analysis::Explained entry = program.explain(statement);
        const analysis::Place place = program.placeOf(statement);
        out << name << ':' << place.line << ':' << place.column << ": " << entry.text << ' ' << entry.derivation
            << '\n';
    }
    out << name << ": " << program.explanationTotal() << '\n';
}
