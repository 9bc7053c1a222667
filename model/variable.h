#ifndef LOOPCOST_VARIABLE_H
#define LOOPCOST_VARIABLE_H

#include <iosfwd>

#include "loopcost/model/nodepool.h"

// One single-character variable of a term.
class Variable {
public:
    explicit Variable(char name);
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;
    virtual ~Variable();

    void print(std::ostream& out) const;
    int equal(const Variable& other) const;

    LOOPCOST_POOLED_NODE

private:
    char name;  // the variable's character
};

#endif
