// Parse trees are cut from per-thread chunks and may be freed on any thread:
// trees made on one thread and destroyed on another, while both keep cutting,
// must come back whole and leave nothing behind. A program's tree has chunks
// of its own; a statement list read by itself shares its thread's chunks.

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/program.h"
#include "loopcost/model/statementlist.h"

namespace {

// A program large enough to fill several chunks.
std::string largeProgram(int statements) {
    std::string text = "BEGIN\n";
    for (int i = 0; i < statements; ++i)
        text += i % 7 == 0 ? "LOOP n a * b + c ; END\n" : "a + b * c + d * e * f ;\n";
    return text + "END\n";
}

template <class Tree>
std::unique_ptr<Tree> parse(const std::string& text) {
    std::istringstream in(text);
    return std::unique_ptr<Tree>(new Tree(in));
}

template <class Tree>
void makeAndFreeOnOtherThreads(const std::string& text) {
    const std::unique_ptr<Tree> reference = parse<Tree>(text);
    const Polynomial expected = reference->computeComplexity(CPUContext(1, 2));

    const int workers = 4;
    std::vector<std::unique_ptr<Tree>> made(workers);
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (int w = 0; w < workers; ++w)
        threads.emplace_back([&made, &text, w] { made[w] = parse<Tree>(text); });
    for (std::thread& t : threads)
        t.join();
    threads.clear();

    // Each worker's tree is freed by another worker that is cutting a tree of
    // its own meanwhile.
    std::vector<std::unique_ptr<Tree>> second(workers);
    for (int w = 0; w < workers; ++w)
        threads.emplace_back([&made, &second, &text, w] {
            second[w] = parse<Tree>(text);
            made[(w + 1) % workers].reset();
        });
    for (std::thread& t : threads)
        t.join();

    for (const std::unique_ptr<Tree>& tree : second) {
        CPPUNIT_ASSERT(tree->equal(*reference));
        CPPUNIT_ASSERT(tree->computeComplexity(CPUContext(1, 2)).equal(expected, 0.0f));
    }
    second.clear();  // freed on the main thread, cut on the workers
}

}  // namespace

class NodePoolTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(NodePoolTests);
    CPPUNIT_TEST(testTreesMadeAndFreedOnOtherThreads);
    CPPUNIT_TEST_SUITE_END();

public:
    void testTreesMadeAndFreedOnOtherThreads() {
        const std::string program = largeProgram(60000);
        makeAndFreeOnOtherThreads<Program>(program);
        const std::string list = program.substr(6, program.size() - 10);  // without BEGIN and END
        makeAndFreeOnOtherThreads<Statementlist>(list);
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(NodePoolTests);
