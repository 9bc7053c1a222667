#include "loopcost/lsp/gapbuffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lsp {

GapBuffer::GapBuffer(std::string text) : bytes(std::move(text)), gapBegin(bytes.size()), gapEnd(bytes.size()) {}

void GapBuffer::assign(std::string text) {
    bytes = std::move(text);
    gapBegin = gapEnd = bytes.size();
}

void GapBuffer::moveGap(std::size_t offset) {
    char* data = &bytes[0];
    if (offset < gapBegin) {  // the bytes [offset, gapBegin) go to the gap's end
        const std::size_t count = gapBegin - offset;
        std::memmove(data + gapEnd - count, data + offset, count);
        gapBegin -= count;
        gapEnd -= count;
        moved += count;
    } else if (offset > gapBegin) {  // the bytes after the gap come before it
        const std::size_t count = offset - gapBegin;
        std::memmove(data + gapBegin, data + gapEnd, count);
        gapBegin += count;
        gapEnd += count;
        moved += count;
    }
}

void GapBuffer::growGap(std::size_t atLeast) {
    const std::size_t length = size();
    const std::size_t gap = std::max({atLeast, length / 8, std::size_t(4096)});
    std::string grown(length + gap, '\0');
    std::memcpy(&grown[0], bytes.data(), gapBegin);
    std::memcpy(&grown[0] + gapBegin + gap, bytes.data() + gapEnd, bytes.size() - gapEnd);
    bytes = std::move(grown);
    gapEnd = gapBegin + gap;
    moved += length;
}

void GapBuffer::replace(std::size_t from, std::size_t to, std::string_view with) {
    moveGap(to);
    const std::size_t freed = to - from;
    if (gapLength() + freed < with.size())
        growGap(with.size() - freed);  // before anything changes: it may throw
    gapBegin = from;                   // the replaced bytes join the gap
    std::memcpy(&bytes[0] + gapBegin, with.data(), with.size());
    gapBegin += with.size();
    moved += with.size();
}

std::string_view GapBuffer::contiguous() {
    moveGap(size());
    return std::string_view(bytes.data(), gapBegin);
}

std::string_view GapBuffer::view(std::size_t from, std::size_t to, std::string& scratch) const {
    if (to <= gapBegin)
        return std::string_view(bytes.data() + from, to - from);
    if (from >= gapBegin)
        return std::string_view(bytes.data() + from + gapLength(), to - from);
    scratch.assign(bytes.data() + from, gapBegin - from);
    scratch.append(bytes.data() + gapEnd, to - gapBegin);
    return scratch;
}

}  // namespace lsp
