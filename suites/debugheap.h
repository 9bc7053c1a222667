#ifndef LOOPCOST_DEBUGHEAP_H
#define LOOPCOST_DEBUGHEAP_H

// A checking heap for the test executables: the entry function switches its
// checks on and routes its reports, as a debug C run-time heap would be.
namespace debugheap {

const int reportFlag = -1;        // setFlags(reportFlag) only reads the flag word
const int delayFree = 0x02;       // keep released blocks, filled, to catch late writes
const int checkAlways = 0x04;     // verify every block at every allocation and release
const int leakCheck = 0x20;       // report blocks still allocated at process exit

const int reportWarn = 0;         // report types
const int reportError = 1;
const int reportAssert = 2;

const int modeFile = 1;           // report mode: write to the report file
const int fileStdout = -4;        // report file: standard output

// Each returns the previous setting.
int setFlags(int flags);
int setReportMode(int type, int mode);
int setReportFile(int type, int file);
long setBreakAlloc(long number);

}  // namespace debugheap

#endif
