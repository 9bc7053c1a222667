#ifndef LOOPCOST_LSP_MESSAGE_H
#define LOOPCOST_LSP_MESSAGE_H

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "loopcost/lsp/settings.h"

namespace lsp {

const char* const hugeNumber = "a number beyond the range of a double";

// Why a message body cannot be carried out: the error to answer, and whether
// the body is JSON all the same (else the framing may find a message inside
// it).
struct BodyFault {
    int code;
    std::string message;
    bool json;
};

// A message body, read in one pass that also keeps the numbers that stand
// under a cost's key as they are written (a double holds neither 0.1 nor
// 12345678901234567890123 as the user wrote it), and refuses JSON nested
// deeper than `maxNesting` unread.
//
// Numbers beyond a double's range are JSON that the JSON library does not
// read: a body that holds some is read again with each of them as null, and
// then only a message with all of them in its params (or an answer to the
// server) is read, with `hugeParams`, for the server to refuse.
struct Body {
    Body(std::string_view text, int maxNesting);

    nlohmann::json message;
    NumberTexts costs;        // by JSON pointer, "/params/settings/loopcost/addCost"
    bool hugeParams = false;  // numbers beyond a double's range in the params, read as null
    std::optional<BodyFault> fault;
};

// Whether a message is the answer to one of the server's requests.
bool isResponse(const nlohmann::json& message);

// The nesting depth of the arrays and objects of a JSON text, strings
// skipped, counted no further than `limit` + 1.
int nestingOf(std::string_view text, int limit);

}  // namespace lsp

#endif
