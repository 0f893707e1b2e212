#pragma once

#include <string>

// Removes every occurrence of one character: the first of \ / : * ? < > | (tested
// in that order) that the text holds. Keys of the downloads list are made with it, so
// it must keep removing only that one character.
std::wstring RemoveFirstInvalidNameChar(std::wstring text);
