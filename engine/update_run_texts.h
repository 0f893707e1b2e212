#pragma once

#include <windows.h>

#include <string>

// What the stages of an update run share besides the run itself.
namespace update_run {

std::wstring LangText(const wchar_t* key);
// The key's text filled with the product title.
std::wstring TextWithTitle(const wchar_t* key);
// Waits while the thread's own messages are answered: a stage thread owns an
// apartment whose calls must not queue up during a pause.
void PausePumping(DWORD milliseconds);

}  // namespace update_run
