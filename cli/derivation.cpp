#include "derivation.h"

#include <ostream>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "derive.h"

void writeDerivation(std::ostream& out, const analysis::Analysis& program, bool latex) {
    const analysis::Derivation derivation = analysis::deriveCost(program);
    if (derivation.text.empty())
        return;
    if (latex)
        out << "\\begin{align*}\n";
    for (const std::string& line : latex ? derivation.latex : derivation.text)
        out << line << '\n';
    if (latex)
        out << "\\end{align*}\n";
}

nlohmann::json derivationJson(const analysis::Analysis& program) {
    analysis::Derivation derivation = analysis::deriveCost(program);
    return nlohmann::json{{"text", std::move(derivation.text)}, {"latex", std::move(derivation.latex)}};
}
