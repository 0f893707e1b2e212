#pragma once

#include <string>

// The text that says a program the install needs is not there: the language
// text "IDS_UNABLEFIND" with the application's title in place of its "%ls".
std::wstring MissingProgramMessage();
