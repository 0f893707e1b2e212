#pragma once

#include <windows.h>

#include <string>

// How long a started program may run: the first wait, then one more.
struct ProcessWaitLimits {
    DWORD firstWaitMs = 120000;
    DWORD secondWaitMs = 120000;
};

// Starts `program` (quoted on its own command line) with `parameters`, shown
// normally or hidden, and waits within the limits. True when it ended in time;
// `exitCode` is then its exit code. `waitResult` is the last wait's answer. A program
// still running after the waits is left running (a setup may still be at work).
bool RunProcessAndWait(const std::wstring& program, const std::wstring& parameters, bool show, DWORD& exitCode,
                       DWORD& waitResult, const ProcessWaitLimits& limits = {});
