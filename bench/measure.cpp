// Runs a command RUNS times with its output thrown away and prints the least
// CPU time (user + system, seconds) and the least peak resident memory (bytes)
// of those runs: the least is the figure the machine's noise disturbs least.
//
//   loopcost-measure RUNS COMMAND [ARG...]   ->   "<cpu seconds> <peak bytes>"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool runOnce(char** command, double& cpuSeconds, long& peakBytes) {
    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, STDOUT_FILENO);
        execvp(command[0], command);
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    peakBytes = usage.ru_maxrss * 1024L;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc >= 3 ? std::atoi(argv[1]) : 0;
    if (runs <= 0) {
        std::fprintf(stderr, "usage: loopcost-measure RUNS COMMAND [ARG...]\n");
        return 2;
    }
    double bestCpu = 0;
    long bestPeak = 0;
    for (int i = 0; i < runs; ++i) {
        double cpu = 0;
        long peak = 0;
        if (!runOnce(argv + 2, cpu, peak)) {
            std::fprintf(stderr, "loopcost-measure: %s failed\n", argv[2]);
            return 1;
        }
        if (i == 0 || cpu < bestCpu)
            bestCpu = cpu;
        if (i == 0 || peak < bestPeak)
            bestPeak = peak;
    }
    std::printf("%.3f %ld\n", bestCpu, bestPeak);
    return 0;
}
