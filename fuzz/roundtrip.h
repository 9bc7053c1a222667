#ifndef LOOPCOST_ROUNDTRIP_H
#define LOOPCOST_ROUNDTRIP_H

#include <cstddef>
#include <cstdint>

// Reads `data` as a program text. A text that does not read must be rejected
// the way readers promise: one error line on std::cerr, equal to what() of the
// SyntaxError, at a position inside the input (never -1: a string stream
// knows its position). A text that reads must print as a text that reads back
// into a program that prints the same text and costs bit for bit the same.
// Returns when all of that holds; otherwise writes what broke to standard
// error and aborts, so that a fuzzer keeps the input.
void checkRoundTrip(const std::uint8_t* data, std::size_t size);

#endif
