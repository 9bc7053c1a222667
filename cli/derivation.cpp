#include "loopcost/cli/derivation.h"

#include <ostream>
#include <string>
#include <vector>

#include "loopcost/analysis/derive.h"
#include "loopcost/cli/json.h"

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

namespace {

// ["line", ...], laid out as every JSON array of the tool is.
void appendLines(std::string& out, const std::vector<std::string>& lines) {
    out += '[';
    for (std::size_t i = 0; i < lines.size(); ++i)
        out.append(i ? ", " : "").append(jsonString(lines[i]));
    out += ']';
}

}  // namespace

std::string derivationJson(const analysis::Analysis& program) {
    const analysis::Derivation derivation = analysis::deriveCost(program);
    std::string out = "{\"text\": ";
    appendLines(out, derivation.text);
    out += ", \"latex\": ";
    appendLines(out, derivation.latex);
    return out + '}';
}
