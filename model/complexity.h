#ifndef LOOPCOST_COMPLEXITY_H
#define LOOPCOST_COMPLEXITY_H

#include "loopcost/model/cpucontext.h"
#include "loopcost/model/nodepool.h"
#include "loopcost/model/polynomial.h"

// The base of every parse-tree node: a node knows its running cost as a
// polynomial in n under a cost model. Nodes own their children through raw
// pointers and are never copied.
class Complexity {
public:
    Complexity() = default;
    Complexity(const Complexity&) = delete;
    Complexity& operator=(const Complexity&) = delete;
    virtual ~Complexity();

    virtual Polynomial computeComplexity(CPUContext context) const = 0;

    LOOPCOST_POOLED_NODE
};

#endif
