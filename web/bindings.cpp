// The C interface that the page's worker calls through WebAssembly.

#include <cstddef>
#include <string>
#include <string_view>

#include <emscripten/emscripten.h>

#include "loopcost/web/engine.h"

namespace {

web::Playground playground;
// The last answer, kept until the next question so that the page can read
// it from the module's memory.
std::string answer;

}  // namespace

extern "C" {

// Each text comes with its length in bytes of UTF-8, NULs included, so that a
// stray one is reported rather than cutting the text short.
EMSCRIPTEN_KEEPALIVE void loopcost_model(const char* add, std::size_t addLength, const char* mul,
                                         std::size_t mulLength) {
    playground.setModel(std::string_view(add, addLength), std::string_view(mul, mulLength));
}

EMSCRIPTEN_KEEPALIVE void loopcost_program(std::size_t program, const char* text, std::size_t textLength) {
    playground.setProgram(program, std::string_view(text, textLength));
}

EMSCRIPTEN_KEEPALIVE const char* loopcost_ask(const char* question, std::size_t questionLength) {
    answer = playground.answer(std::string_view(question, questionLength));
    return answer.c_str();
}

}  // extern "C"
