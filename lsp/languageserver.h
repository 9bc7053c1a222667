#ifndef LOOPCOST_LSP_LANGUAGESERVER_H
#define LOOPCOST_LSP_LANGUAGESERVER_H

#include <iosfwd>

// Runs the language server on a stream of JSON-RPC messages (LSP 3.17,
// Content-Length framing) until the exit notification or the end of `in`,
// writing nothing but protocol messages to `out`. The status is 0 when a
// shutdown request came before the end, 1 otherwise; 1 too, with one line
// on `err` (std::cerr unless given), when `in` cannot be read or `out`
// cannot be written.
int runLanguageServer(std::istream& in, std::ostream& out);
int runLanguageServer(std::istream& in, std::ostream& out, std::ostream& err);

#endif
