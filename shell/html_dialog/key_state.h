#pragma once

#include <windows.h>

#include <functional>

// Where the HTML screens read the keyboard: the system's key state, unless a test
// holds keys of its own. Both answers are the system's SHORT (high bit: down).
struct KeyStateReader {
    std::function<SHORT(int)> asyncKeyState;  // GetAsyncKeyState
    std::function<SHORT(int)> keyState;       // GetKeyState
};

SHORT ReadAsyncKeyState(int virtualKey);
SHORT ReadKeyState(int virtualKey);

// Makes the two readers answer from `reader` while the object lives.
class ScopedKeyStateReader {
public:
    explicit ScopedKeyStateReader(KeyStateReader reader);
    ~ScopedKeyStateReader();
    ScopedKeyStateReader(const ScopedKeyStateReader&) = delete;
    ScopedKeyStateReader& operator=(const ScopedKeyStateReader&) = delete;

private:
    KeyStateReader previous_;
};
