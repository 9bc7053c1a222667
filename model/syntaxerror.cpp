#include "loopcost/model/syntaxerror.h"

#include <iostream>

SyntaxError::SyntaxError(const std::string& message, std::streamoff offset)
    : std::runtime_error(message), where(offset) {}

void reportSyntaxError(const std::string& message, std::streamoff offset) {
    std::cerr << message << std::endl;
    throw SyntaxError(message, offset);
}
