#include "editor.h"

#include <algorithm>
#include <utility>

#include "canonical.h"
#include "syntax.h"

namespace analysis {

std::optional<Edit> layoutOf(const Analysis& a, std::size_t from, std::size_t to) {
    const std::string_view text = a.text();
    const Analysis::Statements& parts = a.statements();
    if (to < from)
        std::swap(from, to);
    const std::size_t hi = to == from ? from + 1 : to;
    const auto overlaps = [&](const StatementInfo& s) { return spanOf(s).begin < hi && spanOf(s).end > from; };
    const auto index = [&](const StatementInfo* s) { return static_cast<std::size_t>(s - parts.data()); };
    // the innermost statement or loop that holds the whole range
    const StatementInfo* holder = a.statementAt(from);
    while (holder && spanOf(*holder).end < hi)
        holder = holder->parent >= 0 ? &parts[static_cast<std::size_t>(holder->parent)] : nullptr;
    std::size_t first = parts.size();
    std::size_t last = parts.size();
    if (holder && !holder->isLoop()) {
        first = last = index(holder);
    } else {
        // the parts of the block that the range touches: those of the loop
        // that holds it, or of the program
        const std::int64_t parent = holder ? static_cast<std::int64_t>(index(holder)) : -1;
        for (std::size_t k = holder ? index(holder) + 1 : 0; k < parts.size() && spanOf(parts[k]).begin < hi; ++k) {
            if (parts[k].parent != parent || !overlaps(parts[k]))
                continue;
            if (first == parts.size())
                first = k;
            last = k;
        }
        if (first == parts.size() && holder)
            first = last = index(holder);
    }
    if (first == parts.size())
        return std::nullopt;
    const Span region{spanOf(parts[first]).begin, spanOf(parts[last]).end};
    for (const Diagnostic& d : a.diagnostics())
        if (d.offset < region.end && d.offset + std::max<std::size_t>(d.length, 1) > region.begin)
            return std::nullopt;
    std::size_t stop = first;
    for (; stop < parts.size() && spanOf(parts[stop]).begin < region.end; ++stop)
        if (parts[stop].isLoop() && !parts[stop].ended)
            return std::nullopt;
    // as the canonical program lays them out, from the first one's place on
    const std::string newline = lineEndOf(text);
    std::string out;
    const auto line = [&](std::int32_t depth) {
        out += newline;
        out.append(2 * static_cast<std::size_t>(depth) + 2, ' ');
    };
    std::vector<std::size_t> open;  // the loops open, by index
    for (std::size_t k = first; k < stop; ++k) {
        const StatementInfo& part = parts[k];
        while (!open.empty() && static_cast<std::int64_t>(open.back()) != part.parent) {
            line(parts[open.back()].depth);
            out += "END";
            open.pop_back();
        }
        if (k != first)
            line(part.depth);
        appendCanonicalText(out, text, part);
        if (part.isLoop())
            open.push_back(k);
    }
    for (; !open.empty(); open.pop_back()) {
        line(parts[open.back()].depth);
        out += "END";
    }
    if (text.substr(region.begin, region.end - region.begin) == out)
        return std::nullopt;
    return Edit{region.begin, region.end - region.begin, out};
}

}  // namespace analysis
