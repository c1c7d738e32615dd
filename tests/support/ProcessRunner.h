// Test helper: runs a program through the shell and collects what it prints, for tests of the real
// executables (exit codes, summaries, error messages).
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace Vemox::Testing
{
struct ProcessResult
{
    int exitCode = -1; ///< -1 when the command could not start or did not exit normally
    std::string output;
};

/// Runs `commandLine` with /bin/sh and waits for it; `output` is its standard output (append "2>&1" to the
/// command line to fold standard error in).
inline ProcessResult RunProcess(const std::string& commandLine)
{
    ProcessResult result;
    FILE* pPipe = popen(commandLine.c_str(), "r");
    if (pPipe == nullptr)
        return result;
    std::array<char, 4096> buffer{};
    size_t count = 0;
    while ((count = fread(buffer.data(), 1, buffer.size(), pPipe)) > 0)
        result.output.append(buffer.data(), count);
    const int status = pclose(pPipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
} // namespace Vemox::Testing
