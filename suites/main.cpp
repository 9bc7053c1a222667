#include <cstdio>

#include <cppunit/extensions/TestFactoryRegistry.h>
#include <cppunit/ui/text/TextTestRunner.h>

#include "loopcost/suites/debugheap.h"

// Switches on the heap checks before anything is tested: every allocation and
// release verifies the heap, released blocks are kept and filled so that late
// writes show, blocks still allocated at exit are reported, and every report
// goes to standard output.
static void setUpLeakTest() {
    printf("\n[Leak test being performed]\n");

    int flags = debugheap::setFlags(debugheap::reportFlag);
    flags |= debugheap::checkAlways;
    flags |= debugheap::delayFree;
    flags |= debugheap::leakCheck;
    debugheap::setFlags(flags);

    const int types[] = {debugheap::reportWarn, debugheap::reportError, debugheap::reportAssert};
    for (int type : types) {
        debugheap::setReportMode(type, debugheap::modeFile);
        debugheap::setReportFile(type, debugheap::fileStdout);
    }

    debugheap::setBreakAlloc(0);
}

int main() {
    setUpLeakTest();

    CppUnit::TestFactoryRegistry& registry = CppUnit::TestFactoryRegistry::getRegistry("All Tests");
    CppUnit::Test* all = registry.makeTest();

    CppUnit::TextTestRunner runner;
    runner.addTest(all);
    runner.run("", false, true, true);
    return 0;
}
