// Runs a program next to the test executable and collects its output and exit code.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/platform.h"

#ifdef _WIN32
#define ZQ_POPEN _popen
#define ZQ_PCLOSE _pclose
#define ZQ_EXE_SUFFIX ".exe"
#else
#include <sys/wait.h>
#define ZQ_POPEN popen
#define ZQ_PCLOSE pclose
#define ZQ_EXE_SUFFIX ""
#endif

// Path of a sibling executable (same folder as the running test).
inline std::string siblingPath(const char* name) {
    char buffer[1024];
    char* base = rtExeName(buffer, sizeof buffer);
    *base = 0;
    return std::string(buffer) + name + ZQ_EXE_SUFFIX;
}

// Runs the command line, returns the exit code (-1 if it could not start).
inline int runChild(const std::string& commandLine, std::string* output) {
    std::string quoted = "\"" + commandLine + "\"";
#ifdef _WIN32
    // cmd.exe strips one level of quotes around the whole line.
    quoted = "\"" + quoted + "\"";
#endif
    FILE* pipe = ZQ_POPEN(quoted.c_str(), "r");
    if (!pipe) return -1;
    char chunk[256];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        if (output) output->append(chunk, n);
    int status = ZQ_PCLOSE(pipe);
#ifdef _WIN32
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}
