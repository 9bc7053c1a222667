#include "loopcost/cli/hot.h"

#include <ostream>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/hot.h"

void writeHottest(std::ostream& out, const std::string& name, const analysis::Analysis& program, std::size_t count) {
    for (const analysis::StatementInfo* statement : analysis::hottest(program, count)) {
        const analysis::Place place = program.placeOf(*statement);
        out << name << ':' << place.line << ':' << place.column << ": " << program.costOf(*statement).text() << " ("
            << analysis::shareText(program.shareOf(*statement)) << ") " << program.canonicalText(*statement) << '\n';
    }
}
