#include "loopcost/model/statement.h"

#include <ostream>

void Statement::writeIndent(std::ostream& out, int indent) {
    static const char blanks[] = "                                ";
    const int chunk = static_cast<int>(sizeof blanks - 1);
    for (; indent > 0; indent -= chunk)
        out.write(blanks, indent < chunk ? indent : chunk);
}
