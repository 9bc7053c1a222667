// The C interface that the page calls through WebAssembly.

#include <cstddef>
#include <string>
#include <string_view>

#include <emscripten/emscripten.h>

#include "engine.h"

namespace {

// The last answer, kept until the next call so that the page can read it
// from the module's memory.
std::string answer;

}  // namespace

extern "C" {

// `text` holds `length` bytes of UTF-8 (NULs included, so that a stray one
// is reported rather than cutting the program short); the costs are C strings.
EMSCRIPTEN_KEEPALIVE const char* loopcost_analyse(const char* text, std::size_t length, const char* add,
                                                  const char* mul) {
    answer = web::analyseToJson(std::string_view(text, length), add, mul);
    return answer.c_str();
}

}  // extern "C"
