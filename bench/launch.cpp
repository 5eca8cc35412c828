// Starts a benchmark program that prints the monotonic clock (ns) once it is ready, and prints the
// milliseconds from start to ready and the program's peak memory (maximum resident set, KiB).
// Usage: launch PROGRAM [ARGS...]   prints "MS KIB"; fails when the program reports nothing.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: launch PROGRAM [ARGS...]\n");
        return 2;
    }
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return 2;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execvp(argv[1], argv + 1);
        std::_Exit(127);
    }
    close(pipeEnds[1]);
    FILE *output = fdopen(pipeEnds[0], "r");
    long long readyNs = -1;
    if (!output || std::fscanf(output, "%lld", &readyNs) != 1)
        readyNs = -1;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (readyNs < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "launch: %s reported no ready time\n", argv[1]);
        return 1;
    }
    const long long startNs = static_cast<long long>(start.tv_sec) * 1000000000LL + start.tv_nsec;
    std::printf("%.1f %ld\n", double(readyNs - startNs) / 1e6, usage.ru_maxrss);
    return 0;
}
