#ifndef LOOPCOST_SOURCEMAP_H
#define LOOPCOST_SOURCEMAP_H

#include <cstddef>
#include <ios>
#include <vector>

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
    const std::vector<Span>& statements() const { return spans; }
    // From BEGIN to just past the closing END.
    Span program() const { return whole; }

    void clear();

    // For the readers: a statement begins, and the one with that index ends.
    std::size_t beginStatement(std::streamoff at);
    void endStatement(std::size_t index, std::streamoff at) { spans[index].end = at; }
    void setProgram(Span span) { whole = span; }

private:
    std::vector<Span> spans;
    Span whole{-1, -1};
};

#endif
