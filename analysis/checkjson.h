#ifndef LOOPCOST_ANALYSIS_CHECKJSON_H
#define LOOPCOST_ANALYSIS_CHECKJSON_H

#include <string>
#include <string_view>

#include "loopcost/analysis/check.h"

namespace analysis {

// How a front-end reads the check's JSON.
struct CheckJsonStyle {
    bool numbersAsText = false;  // exact numbers as JSON strings, for a reader whose numbers are doubles
    bool offsets = false;        // each statement's and the slip's span: "from" and "to", byte offsets
};

// The check as JSON text, the same member "expect" in every front-end's
// answer:
//   {"answer": TEXT, "right": BOOL, "kind": "exact" | "order",
//    "terms": [{"power": K, "answered": X, "cost": Y, "right": BOOL,
//               "statements": [{"line": L, "column": C, "text": T, "cost": Z}]}],
//    "order": null | {"cost": "Θ(n^2)", "loose": BOOL},
//    "slip": null | {"kind": K, "line": L, "column": C, "text": SENTENCE}}
// Every number exact, as long as it needs to be; "answered" null for an
// order; a term whose statements were too many to list all has "more": N
// after them. `answerJson` is the answer's text already written as a JSON
// string by the front-end's own writer: an answer may be any bytes, while
// every other text here is the analysis's own.
std::string checkJson(const Check& check, std::string_view answerJson, const CheckJsonStyle& style = {});

}  // namespace analysis

#endif
