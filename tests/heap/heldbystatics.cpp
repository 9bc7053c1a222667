#include <string>

// Blocks that a shared library's statics hold until the process exits, as
// CppUnit's do: the leak check has to come after they are freed. Nothing is
// allocated while the library loads, so the test program's allocation
// numbers stay its own.

std::string heldByLibraryGlobal;

void holdUntilExit() {
    static std::string heldByLibraryLocal(100, 'l');
    heldByLibraryGlobal.assign(100, 'g');
}
