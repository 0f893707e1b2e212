#include "shell/html_dialog/key_state.h"

#include <utility>

namespace {

KeyStateReader& InstalledReader() {
    static KeyStateReader reader;
    return reader;
}

}  // namespace

SHORT ReadAsyncKeyState(int virtualKey) {
    const KeyStateReader& reader = InstalledReader();
    return reader.asyncKeyState ? reader.asyncKeyState(virtualKey) : GetAsyncKeyState(virtualKey);
}

SHORT ReadKeyState(int virtualKey) {
    const KeyStateReader& reader = InstalledReader();
    return reader.keyState ? reader.keyState(virtualKey) : GetKeyState(virtualKey);
}

ScopedKeyStateReader::ScopedKeyStateReader(KeyStateReader reader)
    : previous_(std::exchange(InstalledReader(), std::move(reader))) {}

ScopedKeyStateReader::~ScopedKeyStateReader() { InstalledReader() = std::move(previous_); }
