#include "complexity.h"

Complexity::~Complexity() = default;
