#ifndef LOOPCOST_DEBUGHEAP_H
#define LOOPCOST_DEBUGHEAP_H

// A checking heap for the test executables: the entry function switches its
// checks on and routes its reports, as a debug C run-time heap would be.
//
// Linking it replaces every global operator new and delete. Each block is
// numbered (from 1, in allocation order) and framed by guard bytes. Every line
// the heap writes begins with "heap: " and names the block's number and size.
// Built with LOOPCOST_DEBUG_HEAP off, the operators are left alone and the
// functions below only record their settings.
namespace debugheap {

const int reportFlag = -1;     // setFlags(reportFlag) only reads the flag word
const int delayFree = 0x02;    // keep released blocks, filled, to catch late writes
const int checkAlways = 0x04;  // verify every block at every allocation and release
const int leakCheck = 0x20;    // report blocks still allocated at process exit

const int reportWarn = 0;    // report types: leaks are warnings,
const int reportError = 1;   // damaged blocks errors,
const int reportAssert = 2;  // releases the heap cannot honour assertions

const int modeFile = 1;     // report mode bit: write to the report file
const int fileStdout = -4;  // report file: standard output
const int fileStderr = -5;  // report file: standard error (where reports go until routed)

// Each returns the previous setting.
int setFlags(int flags);
int setReportMode(int type, int mode);
int setReportFile(int type, int file);
long setBreakAlloc(long number);  // raise SIGTRAP at allocation `number`; 0: never

}  // namespace debugheap

#endif
