// The canonical layout as an edit: of the whole text for a formatting
// command, of the statements in a range for a range formatting one.
#include "loopcost/analysis/format.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "loopcost/analysis/canonical.h"

namespace analysis {

namespace {

std::size_t beginOf(const StatementInfo& s) { return static_cast<std::size_t>(s.begin); }
std::size_t endOf(const StatementInfo& s) { return static_cast<std::size_t>(s.end); }

// `text` with each "\n" written as `newline`.
std::string withLineEnds(std::string text, std::string_view newline) {
    if (newline == "\n")
        return text;
    std::string out;
    out.reserve(text.size() +
                (newline.size() - 1) * static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    for (const char c : text) {
        if (c == '\n')
            out.append(newline);
        else
            out += c;
    }
    return out;
}

}  // namespace

std::optional<Edit> formatOf(const Analysis& a) {
    if (!a.ok())
        return std::nullopt;
    const std::string_view text = a.text();
    std::string wanted = withLineEnds(a.canonicalProgram(), lineEndOf(text));
    wanted.insert(0, text.substr(0, byteOrderMarkLength(text)));
    // one edit, of what lies between the common start and the common end
    std::size_t prefix = 0;
    const std::size_t shorter = std::min(text.size(), wanted.size());
    while (prefix < shorter && text[prefix] == wanted[prefix])
        ++prefix;
    if (prefix == text.size() && prefix == wanted.size())
        return std::nullopt;
    std::size_t suffix = 0;
    while (suffix < shorter - prefix && text[text.size() - 1 - suffix] == wanted[wanted.size() - 1 - suffix])
        ++suffix;
    // an edit boundary between '\r' and '\n' would split a line end
    while (prefix > 0 && text[prefix - 1] == '\r')
        --prefix;
    while (suffix > 0 && text[text.size() - suffix] == '\n' && text.size() - suffix > prefix &&
           text[text.size() - suffix - 1] == '\r')
        --suffix;
    return Edit{prefix, text.size() - suffix - prefix, wanted.substr(prefix, wanted.size() - suffix - prefix)};
}

std::optional<Edit> layoutOf(const Analysis& a, std::size_t from, std::size_t to) {
    const std::string_view text = a.text();
    const Analysis::Statements& parts = a.statements();
    if (to < from)
        std::swap(from, to);
    const std::size_t hi = to == from ? from + 1 : to;
    const auto overlaps = [&](const StatementInfo& s) { return beginOf(s) < hi && endOf(s) > from; };
    const auto index = [&](const StatementInfo* s) { return static_cast<std::size_t>(s - parts.data()); };
    // the innermost statement or loop that holds the whole range
    const StatementInfo* holder = a.statementAt(from);
    while (holder && endOf(*holder) < hi)
        holder = holder->parent >= 0 ? &parts[static_cast<std::size_t>(holder->parent)] : nullptr;
    std::size_t first = parts.size();
    std::size_t last = parts.size();
    if (holder && !holder->isLoop()) {
        first = last = index(holder);
    } else {
        // the parts of the block that the range touches: those of the loop
        // that holds it, or of the program
        const std::int64_t parent = holder ? static_cast<std::int64_t>(index(holder)) : -1;
        for (std::size_t k = holder ? index(holder) + 1 : 0; k < parts.size() && beginOf(parts[k]) < hi; ++k) {
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
    const Span region{beginOf(parts[first]), endOf(parts[last])};
    for (const Diagnostic& d : a.diagnostics())
        if (d.offset < region.end && d.offset + std::max<std::size_t>(d.length, 1) > region.begin)
            return std::nullopt;
    std::size_t stop = first;
    for (; stop < parts.size() && beginOf(parts[stop]) < region.end; ++stop)
        if (parts[stop].isLoop() && !parts[stop].ended)
            return std::nullopt;
    // as the canonical program lays them out, from the first one's place on
    const std::string newline = lineEndOf(text);
    std::string out;
    const auto line = [&](std::int32_t depth) {
        out.append(newline);
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
