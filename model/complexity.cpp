#include "loopcost/model/complexity.h"

Complexity::~Complexity() = default;
