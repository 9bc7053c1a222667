#include "hot.h"

#include <cstdio>
#include <ostream>

#include "analysis.h"

namespace {

// One decimal is enough to rank by eye; the cost itself is exact.
std::string percent(double share) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f%%", share * 100.0);
    return text;
}

}  // namespace

void writeHottest(std::ostream& out, const std::string& name, const analysis::Analysis& program, std::size_t count) {
    for (const analysis::StatementInfo* statement : program.hottest(count)) {
        const analysis::Place place = program.placeOf(*statement);
        const analysis::Cost cost = program.costOf(*statement);
        out << name << ':' << place.line << ':' << place.column << ": " << cost.text() << " ("
            << percent(cost.shareOf(program.total())) << ") " << analysis::Analysis::canonicalText(*statement) << '\n';
    }
}
