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

// Each text comes with its length in bytes of UTF-8, NULs included, so that a
// stray one is reported rather than cutting the text short.
EMSCRIPTEN_KEEPALIVE const char* loopcost_analyse(const char* text, std::size_t textLength, const char* add,
                                                  std::size_t addLength, const char* mul, std::size_t mulLength) {
    answer = web::analyseToJson(std::string_view(text, textLength), std::string_view(add, addLength),
                                std::string_view(mul, mulLength));
    return answer.c_str();
}

}  // extern "C"
