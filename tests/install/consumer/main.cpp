// A program of another project, built against the installed library alone:
// it costs the program on standard input under the cost model of its two
// arguments and prints the cost.
#include <loopcost/model/cpucontext.h>
#include <loopcost/model/polynomial.h>
#include <loopcost/model/program.h>

#include <cstdlib>
#include <iostream>
#include <memory>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::cerr << "usage: consumer ADD-COST MUL-COST <PROGRAM\n";
        return 2;
    }
    // Made here and deleted in the library: both must take the node's memory
    // from the same place, which the installed compile definitions decide.
    std::unique_ptr<Program> program(new Program(std::cin));
    CPUContext context(std::strtof(argv[1], nullptr), std::strtof(argv[2], nullptr));
    program->computeComplexity(context).print(std::cout);  // ends the line
    return std::cout ? 0 : 1;
}
