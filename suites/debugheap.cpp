#include "debugheap.h"

namespace debugheap {

namespace {
int flags = 0;
int modes[3] = {0, 0, 0};
int files[3] = {0, 0, 0};
long breakAlloc = 0;

bool knownType(int type) { return type >= reportWarn && type <= reportAssert; }
}  // namespace

int setFlags(int newFlags) {
    int old = flags;
    if (newFlags != reportFlag)
        flags = newFlags;
    return old;
}

int setReportMode(int type, int mode) {
    if (!knownType(type))
        return -1;
    int old = modes[type];
    modes[type] = mode;
    return old;
}

int setReportFile(int type, int file) {
    if (!knownType(type))
        return -1;
    int old = files[type];
    files[type] = file;
    return old;
}

long setBreakAlloc(long number) {
    long old = breakAlloc;
    breakAlloc = number;
    return old;
}

}  // namespace debugheap
