#include "loopcost/fuzz/roundtrip.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "loopcost/analysis/text.h"
#include "loopcost/model/cpucontext.h"
#include "loopcost/model/polynomial.h"
#include "loopcost/model/program.h"
#include "loopcost/model/syntaxerror.h"
#include "loopcost/tests/support/errorline.h"

namespace {

// Written with C stdio: std::cerr may still be captured when this runs.
[[noreturn]] void fail(const char* what, const std::string& input, const std::string& printed = std::string()) {
    std::fprintf(stderr, "round trip broken: %s\ninput (%zu bytes):\n", what, input.size());
    for (unsigned char c : input.substr(0, 2000)) {
        if (std::isprint(c) || c == '\n')
            std::fputc(c, stderr);
        else
            std::fprintf(stderr, "\\x%02x", c);
    }
    if (!printed.empty())
        std::fprintf(stderr, "\nprinted:\n%s", printed.c_str());
    std::fputc('\n', stderr);
    std::abort();
}

// The error line is what() and a line end. A word quoted in it may hold NUL
// bytes, which end what() early: up to there the two must agree.
bool isErrorLineOf(const std::string& written, const SyntaxError& e) {
    const std::string what = e.what();
    const std::size_t end = written.find('\n');
    if (end == std::string::npos || end + 1 != written.size())
        return false;
    const std::string line = written.substr(0, end);
    return line == what || (line.compare(0, what.size(), what) == 0 && line[what.size()] == '\0');
}

// Reads a program from `text`; null when the text is rejected, after checking
// that the rejection kept the readers' promises.
std::unique_ptr<Program> readProgram(const std::string& text) {
    std::istringstream in(text);
    testsupport::ErrorLineCapture errors;
    std::unique_ptr<Program> program;
    try {
        program = std::make_unique<Program>(in);
    } catch (const SyntaxError& e) {
        if (!isErrorLineOf(errors.text(), e))
            fail("std::cerr did not get exactly the line of the SyntaxError", text, errors.text());
        // a string stream always knows its position, so -1 is no answer here
        if (e.offset() < 0 || e.offset() > static_cast<std::streamoff>(text.size()))
            fail("the error position lies outside the input", text, e.what());
        return nullptr;
    }
    if (!errors.text().empty())
        fail("a program that reads wrote to std::cerr", text, errors.text());
    if (in.fail())
        fail("a program that reads left the stream failed", text);
    // nothing behind the closing END may be read
    const std::streamoff end = in.rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
    const auto at = static_cast<std::size_t>(end);
    if (end < 3 || text.compare(at - 3, 3, "END") != 0 || (at < text.size() && !analysis::isBlank(text[at])))
        fail("the stream does not stand right behind the closing END", text);
    return program;
}

std::string printed(const Program& program) {
    std::ostringstream out;
    program.print(out);
    return out.str();
}

// A cost as exactly as it can be compared: degree, coefficient bits and text.
struct Cost {
    bool overflow = false;
    int degree = 0;
    std::uint32_t bits[Polynomial::capacity] = {};
    std::string text;

    bool operator==(const Cost& other) const {
        return overflow == other.overflow && degree == other.degree &&
               std::memcmp(bits, other.bits, sizeof bits) == 0 && text == other.text;
    }
    bool operator!=(const Cost& other) const { return !(*this == other); }
};

Cost costOf(const Program& program, const CPUContext& context) {
    Cost cost;
    try {
        const Polynomial p = program.computeComplexity(context);
        cost.degree = p.getDegree();
        for (int i = 0; i <= cost.degree; ++i) {
            const float c = p.getCoefficient(i);
            std::memcpy(&cost.bits[i], &c, sizeof c);
        }
        std::ostringstream out;
        p.print(out);
        cost.text = out.str();
    } catch (const std::overflow_error&) {
        // loops over n nested deeper than a polynomial holds: an answer, not a fault
        cost.overflow = true;
    }
    return cost;
}

// Whole costs of the tests, and fractional ones whose sums round.
const CPUContext contexts[] = {CPUContext(2.0f, 4.0f), CPUContext(0.1f, 3.7f)};

}  // namespace

void checkRoundTrip(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::unique_ptr<Program> first = readProgram(input);
    if (!first)
        return;
    const std::string text = printed(*first);
    const std::unique_ptr<Program> second = readProgram(text);
    if (!second)
        fail("the printed program does not read back", input, text);
    if (printed(*second) != text)
        fail("the program read back prints differently", input, text + "\nthen:\n" + printed(*second));
    for (const CPUContext& context : contexts)
        if (costOf(*first, context) != costOf(*second, context))
            fail("the program read back costs differently", input, text);
    // A count below -1 prints as n and reads back as -1, so only from the
    // second reading on must the trees themselves compare equal.
    const std::unique_ptr<Program> third = readProgram(text);
    if (!second->equal(*third) || !third->equal(*second))
        fail("two readings of the same text are not equal", input, text);
}
