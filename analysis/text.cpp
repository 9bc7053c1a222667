#include "text.h"

#include <algorithm>

namespace analysis {

std::string escaped(std::string_view bytes, bool (*keep)(unsigned char)) {
    static const char hex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (keep(c)) {
            shown.push_back(ch);
        } else {
            shown += "\\x";
            shown.push_back(hex[c >> 4]);
            shown.push_back(hex[c & 0xf]);
        }
    }
    return shown;
}

std::string printable(std::string_view bytes) {
    return escaped(bytes, [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

LineIndex::LineIndex(std::string_view text) : text(text) {
    starts.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    starts.push_back(0);
    for (std::size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1))
        starts.push_back(i + 1);
}

Place LineIndex::placeOf(std::size_t offset) const {
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    const auto line = static_cast<std::size_t>(after - starts.begin());
    return Place{line, offset - starts[line - 1] + 1};
}

std::size_t LineIndex::lineEnd(std::size_t line) const {
    std::size_t end = line < starts.size() ? starts[line] - 1 : text.size();
    if (end > starts[line - 1] && text[end - 1] == '\r')
        --end;
    return end;
}

}  // namespace analysis
