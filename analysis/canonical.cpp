#include "loopcost/analysis/canonical.h"

#include <algorithm>
#include <charconv>

namespace analysis {

void appendCanonicalText(std::string& out, std::string_view text, const StatementInfo& statement) {
    char held[canonicalRoom];
    out.append(held, static_cast<std::size_t>(writeCanonicalText(held, text, statement) - held));
}

// A statement is written from its own bytes: within a term, the odd places
// are the '*' between variables and the even ones the variables, whatever
// they hold.
char* writeCanonicalText(char* at, std::string_view text, const StatementInfo& statement) {
    if (statement.isLoop()) {
        at = std::copy_n("LOOP ", 5, at);
        if (statement.count == ReadEvents::unknownCount)
            *at++ = '?';
        else if (statement.count < 0)
            *at++ = 'n';
        else
            at = std::to_chars(at, at + 12, statement.count).ptr;
        return at;
    }
    int place = 0;
    for (auto i = static_cast<std::size_t>(statement.begin); i < static_cast<std::size_t>(statement.end); ++i) {
        const char c = text[i];
        if (isBlank(c))
            continue;
        if (c == ';') {
            at = std::copy_n(" ;", 2, at);
        } else if (c == '+') {
            at = std::copy_n(" + ", 3, at);
            place = 0;
        } else if (place++ % 2 == 1) {
            at = std::copy_n(" * ", 3, at);
        } else {
            *at++ = c;
        }
    }
    return at;
}

}  // namespace analysis
