#include "loopcost/lsp/position.h"

namespace lsp {

namespace {

bool continuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t sequenceLength(std::string_view text, std::size_t at, std::size_t end) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (end - at < length)
        return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!continuation(static_cast<unsigned char>(text[at + i])))
            return 0;
    return length;
}

}  // namespace

Character characterAt(std::string_view text, std::size_t at, std::size_t end, Encoding encoding) {
    if (static_cast<unsigned char>(text[at]) < 0x80)
        return {1, 1};
    const std::size_t length = sequenceLength(text, at, end);
    if (length == 0)
        return {1, 1};  // a stray byte
    switch (encoding) {
    case Encoding::utf8: return {length, length};
    case Encoding::utf16: return {length, length == 4 ? 2U : 1U};
    case Encoding::utf32: return {length, 1};
    }
    return {length, 1};
}

}  // namespace lsp
