// bench-launch PROGRAM [ARGS...]: stamps the monotonic clock, then becomes PROGRAM in
// the same process. Plain C++, so that nothing is loaded here that the program must
// load again.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-launch PROGRAM [ARGS...]\n");
        return 2;
    }
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const long long stampNs = static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
    ::setenv("KELVARIS_BENCH_EXEC_NS", std::to_string(stampNs).c_str(), 1);
    ::execv(argv[1], argv + 1);
    std::perror("bench-launch");
    return 127;
}
