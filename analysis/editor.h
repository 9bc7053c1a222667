#ifndef LOOPCOST_ANALYSIS_EDITOR_H
#define LOOPCOST_ANALYSIS_EDITOR_H

#include <cstddef>
#include <optional>

#include "analysis.h"
#include "completion.h"
#include "fixes.h"
#include "folds.h"
#include "selection.h"
#include "syntax.h"
#include "text.h"
#include "tokens.h"

// What an editor asks of a program beyond its costs. Each question has a
// file of its own (fixes.h, folds.h, selection.h, tokens.h, completion.h,
// syntax.h), included here for the language server, which asks them all;
// the canonical layout of a part of the program is here. Every answer is in
// byte offsets of the analysed text; a front-end only turns them into its
// own positions.
namespace analysis {

// The canonical layout of the whole statements and loops in [from, to): the
// outermost of those that the range touches, which lie side by side in one
// block, laid out as the canonical program lays them out there. Nothing when
// the layout is what stands there already, when no statement is touched, or
// when an error lies among them.
std::optional<Edit> layoutOf(const Analysis& analysis, std::size_t from, std::size_t to);

}  // namespace analysis

#endif
