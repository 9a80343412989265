// Runs console_child with one argument and its standard output redirected (a
// file on Windows, a pipe elsewhere); returns the exit code and the bytes.
#pragma once

#include <cstdio>
#include <string>

#include "support/child_process.h"

#ifdef _WIN32
#include <windows.h>

inline int runConsoleChild(const char* argument, std::string* output) {
    char folder[MAX_PATH];
    if (!GetTempPathA(sizeof folder, folder)) return -1;
    std::string path =
        std::string(folder) + "zq_console_child_" + std::to_string(GetCurrentProcessId()) + ".out";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    std::string commandLine = "\"" + siblingPath("console_child") + "\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION process = {};
    int code = -1;
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, 30000);
        DWORD exitCode = 0;
        if (GetExitCodeProcess(process.hProcess, &exitCode)) code = static_cast<int>(exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char chunk[256];
    DWORD n = 0;
    while (ReadFile(file, chunk, sizeof chunk, &n, nullptr) && n > 0)
        output->append(chunk, n);
    CloseHandle(file);
    DeleteFileA(path.c_str());
    return code;
}
#else
#include <sys/wait.h>

inline int runConsoleChild(const char* argument, std::string* output,
                           const std::string& input = "") {
    std::string command = siblingPath("console_child") + " " + argument;
    if (!input.empty()) command = "printf '" + input + "' | " + command;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char chunk[256];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output->append(chunk, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif
