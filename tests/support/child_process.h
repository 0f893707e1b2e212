#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Sets an environment variable of this process (and so of the programs it starts)
// for the life of the object; the earlier value, or its absence, comes back after.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::wstring name, const std::wstring& value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

// Starts `commandLine` hidden, waits for it and returns its exit code; nullopt when
// it could not start or did not end within `timeoutMs`.
std::optional<DWORD> RunProgramAndWait(const std::wstring& commandLine, DWORD timeoutMs = 60000);

// A path given by the build (a host path of the machine that runs Wine) as a path
// the Windows side can open.
std::wstring WindowsPathFromHost(const std::string& hostPath);
