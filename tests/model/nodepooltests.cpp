// Parse trees are cut from per-thread chunks and may be freed on any thread:
// trees made on one thread and destroyed on another, while both keep cutting,
// must come back whole and leave nothing behind.

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "program.h"

namespace {

// A program large enough to fill several chunks.
std::string largeProgram(int statements) {
    std::string text = "BEGIN\n";
    for (int i = 0; i < statements; ++i)
        text += i % 7 == 0 ? "LOOP n a * b + c ; END\n" : "a + b * c + d * e * f ;\n";
    return text + "END\n";
}

std::unique_ptr<Program> parse(const std::string& text) {
    std::istringstream in(text);
    return std::unique_ptr<Program>(new Program(in));
}

}  // namespace

class NodePoolTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(NodePoolTests);
    CPPUNIT_TEST(testTreesMadeAndFreedOnOtherThreads);
    CPPUNIT_TEST_SUITE_END();

public:
    void testTreesMadeAndFreedOnOtherThreads() {
        const std::string text = largeProgram(60000);
        const std::unique_ptr<Program> reference = parse(text);
        const Polynomial expected = reference->computeComplexity(CPUContext(1, 2));

        const int workers = 4;
        std::vector<std::unique_ptr<Program>> made(workers);
        std::vector<std::thread> threads;
        for (int w = 0; w < workers; ++w)
            threads.emplace_back([&made, &text, w] { made[w] = parse(text); });
        for (std::thread& t : threads)
            t.join();
        threads.clear();

        // Each worker's trees are freed by another worker that is cutting a
        // tree of its own meanwhile.
        std::vector<std::unique_ptr<Program>> second(workers);
        for (int w = 0; w < workers; ++w)
            threads.emplace_back([&made, &second, &text, w] {
                second[w] = parse(text);
                made[(w + 1) % workers].reset();
            });
        for (std::thread& t : threads)
            t.join();

        for (const std::unique_ptr<Program>& program : second) {
            CPPUNIT_ASSERT(program->equal(*reference));
            CPPUNIT_ASSERT(program->computeComplexity(CPUContext(1, 2)).equal(expected, 0.0f));
        }
        second.clear();  // freed on the main thread, cut on the workers
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(NodePoolTests);
