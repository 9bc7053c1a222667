#ifndef LOOPCOST_SOURCEMAP_H
#define LOOPCOST_SOURCEMAP_H

#include <cstddef>
#include <ios>
#include <vector>

#include "largememory.h"

// Where the parts of a program stand in its text, as byte offsets from where
// reading began. The tree holds no positions: a caller that wants them hands
// a map to the program's reader, which fills it as it goes, so that a program
// read without one costs nothing more.
class SourceMap {
public:
    struct Span {
        std::streamoff begin;  // the first character
        std::streamoff end;    // just past the last one: the ';' or the END
    };

    // Every statement in the order in which it was read: source order, each
    // loop before its body. -1 where the stream cannot tell its position.
    using Spans = std::vector<Span, largememory::Allocator<Span>>;
    const Spans& statements() const { return spans; }
    // From BEGIN to just past the closing END.
    Span program() const { return whole; }

    void clear();
    // Room for `statements` spans, so that a large program's map is not
    // copied as it grows.
    void reserve(std::size_t statements) { spans.reserve(statements); }

    // For the readers: a statement begins, and the one with that index ends.
    std::size_t beginStatement(std::streamoff at);
    void endStatement(std::size_t index, std::streamoff at) { spans[index].end = at; }
    void setProgram(Span span) { whole = span; }

private:
    Spans spans;
    Span whole{-1, -1};
};

#endif
