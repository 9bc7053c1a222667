#ifndef LOOPCOST_EDITORCHECK_H
#define LOOPCOST_EDITORCHECK_H

#include <cstddef>
#include <cstdint>

// Asks the analysis what an editor asks of `data` as a program text. Every
// quick fix applied must leave fewer errors; folds, paired keywords,
// enclosing spans, tokens and completions must lie inside the text, in
// order, each enclosing span holding the one before; the tokens of a range
// must be those of the whole text that begin in it; the layout of the
// whole program, or of any statement or loop, must read with the same cost.
// Aborts, after saying what broke, when any of that fails.
void checkEditor(const std::uint8_t* data, std::size_t size);

#endif
