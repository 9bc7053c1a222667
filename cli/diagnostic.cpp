#include "diagnostic.h"

#include <ostream>

#include "source.h"

namespace {

// A longer line is cut around the offset: enough to recognise it, short
// enough for a terminal.
const std::size_t maxShownBytes = 100;

const char* const ellipsis = "...";

bool isPrintable(unsigned char c) { return c >= 0x20 && c < 0x7f; }
bool isControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

template <class Keep>
std::string escape(const std::string& bytes, Keep keep) {
    static const char hex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (keep(c)) {
            shown.push_back(static_cast<char>(c));
        } else {
            shown += "\\x";
            shown.push_back(hex[c >> 4]);
            shown.push_back(hex[c & 0xf]);
        }
    }
    return shown;
}

}  // namespace

std::string printable(const std::string& bytes) { return escape(bytes, isPrintable); }

std::string printableName(const std::string& name) {
    return escape(name, [](unsigned char c) { return !isControl(c); });
}

void writeDiagnostic(std::ostream& err, Source& source, std::streamoff offset, const std::string& message) {
    const std::string name = printableName(source.name());
    if (offset < 0) {
        err << name << ": error: " << printable(message) << '\n';
        return;
    }
    const Excerpt where = source.excerpt(offset, maxShownBytes);
    err << name << ':' << where.line << ':' << where.column << ": error: " << printable(message) << '\n';
    const std::string lead = where.cutBefore ? ellipsis : "";
    const std::string before = lead + printable(where.text.substr(0, where.caret));
    err << before << printable(where.text.substr(where.caret)) << (where.cutAfter ? ellipsis : "") << '\n';
    err << std::string(before.size(), ' ') << "^\n";
}
