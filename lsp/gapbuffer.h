#ifndef LOOPCOST_LSP_GAPBUFFER_H
#define LOOPCOST_LSP_GAPBUFFER_H

#include <cstddef>
#include <string>
#include <string_view>

namespace lsp {

// The bytes of a text that changes in place: one array with a gap where the
// last change was. A change moves the gap to itself (as many bytes as lie
// between the two places) and writes into it, so that changes near each
// other cost what they change; the gap grows by an eighth of the text when
// it runs out. The text is made contiguous (the gap moved to its end) only
// when something needs it whole.
class GapBuffer {
public:
    explicit GapBuffer(std::string text = std::string());

    std::size_t size() const { return bytes.size() - gapLength(); }
    char operator[](std::size_t offset) const { return bytes[offset < gapBegin ? offset : offset + gapLength()]; }

    // The bytes [from, to) become `with`; from <= to <= size().
    void replace(std::size_t from, std::size_t to, std::string_view with);
    void assign(std::string text);

    // The whole text, valid until the next change.
    std::string_view contiguous();
    // The bytes [from, to): a view into the buffer, or into `scratch` when
    // they lie on both sides of the gap.
    std::string_view view(std::size_t from, std::size_t to, std::string& scratch) const;

    // Bytes moved or copied by changes so far: what the changes cost.
    std::size_t bytesMoved() const { return moved; }

private:
    std::size_t gapLength() const { return gapEnd - gapBegin; }
    void moveGap(std::size_t offset);
    void growGap(std::size_t atLeast);

    std::string bytes;  // the text with the gap [gapBegin, gapEnd) in it
    std::size_t gapBegin = 0;
    std::size_t gapEnd = 0;
    std::size_t moved = 0;
};

}  // namespace lsp

#endif
