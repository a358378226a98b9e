#pragma once
// Runs a program as a child process with its standard output and error captured, for the tests of the tools.
#include <windows.h>

#include <string>
#include <vector>

struct ChildRun {
    bool started = false;   // CreateProcessW succeeded
    bool finished = false;  // ended within the timeout (otherwise it was terminated)
    DWORD exitCode = 0;
    std::string out;        // everything written to stdout
    std::string err;        // everything written to stderr
};

// Starts `program` with `args` (each quoted as the C runtime reads them), waits up to timeoutMs and collects its
// output from files in a private temporary folder.
ChildRun RunChild(const std::wstring& program, const std::vector<std::wstring>& args, DWORD timeoutMs);

// The lines of text, without their line ends ("\n" or "\r\n"); no empty last line.
std::vector<std::string> SplitLines(const std::string& text);
