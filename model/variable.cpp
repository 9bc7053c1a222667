#include "loopcost/model/variable.h"

#include "loopcost/model/nodepool.h"

#include <ostream>

Variable::Variable(char name) : name(name) {}

Variable::~Variable() = default;

void Variable::print(std::ostream& out) const { out << name; }

int Variable::equal(const Variable& other) const { return name == other.name ? 1 : 0; }

LOOPCOST_NODE_FIELDS(Variable, char);
