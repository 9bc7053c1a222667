#ifndef LOOPCOST_TESTS_SUPPORT_BLOCKS_H
#define LOOPCOST_TESTS_SUPPORT_BLOCKS_H

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "loopcost/analysis/reader.h"

namespace testsupport {

// Hands a text out in blocks of the sizes given, round and round, so that
// every place in it (a "\r\n", a word, a statement) falls on a block's edge
// in some run.
class Blocks : public analysis::ByteSource {
public:
    Blocks(std::string text, std::vector<std::size_t> sizes) : text(std::move(text)), sizes(std::move(sizes)) {}
    std::size_t read(char* into, std::size_t capacity) override {
        const std::size_t size = std::min({sizes[next++ % sizes.size()], capacity, text.size() - at});
        std::copy_n(text.data() + at, size, into);
        at += size;
        return size;
    }

private:
    std::string text;
    std::vector<std::size_t> sizes;
    std::size_t next = 0;
    std::size_t at = 0;
};

}  // namespace testsupport

#endif
