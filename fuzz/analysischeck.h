#ifndef LOOPCOST_ANALYSISCHECK_H
#define LOOPCOST_ANALYSISCHECK_H

#include <cstddef>
#include <cstdint>

// Analyses `data` as a program text. A text that does not read must get a
// diagnostic inside the input with one printable line of message. A text
// that reads must place every statement inside the input and inside the loop
// around it; its canonical text must analyse to the same exact cost; the
// top-level costs must add up to the total; and where float arithmetic is
// exact (whole costs, every coefficient below 2^24) the library's float cost
// must agree. Aborts, after saying what broke, when any of that fails.
void checkAnalysis(const std::uint8_t* data, std::size_t size);

#endif
