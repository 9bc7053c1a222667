#ifndef LOOPCOST_LSP_POSITION_H
#define LOOPCOST_LSP_POSITION_H

#include <cstddef>
#include <string_view>

namespace lsp {

// What an LSP position's character counts: bytes, UTF-16 code units (the
// protocol's default) or code points.
enum class Encoding { utf8, utf16, utf32 };

// 0-based line and character, in the units of an encoding.
struct Position {
    std::size_t line = 0;
    std::size_t character = 0;
};

// The bytes and units of the character that begins at text[at], read no
// further than `end`.
struct Character {
    std::size_t bytes;
    std::size_t units;
};
Character characterAt(std::string_view text, std::size_t at, std::size_t end, Encoding encoding);

}  // namespace lsp

#endif
