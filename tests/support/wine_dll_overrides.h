#pragma once

#include <initializer_list>
#include <string>

// Makes Wine load a program's own copies of the named libraries (from the program's
// folder) before its built-in ones, for that program only. A child process reads this
// when it starts; the environment variable for overrides is not passed on to
// children that a test starts. Where no copy lies beside the program, Wine's own
// library is loaded as before.
bool PreferLibrariesBesideProgram(const std::wstring& programFileName,
                                  std::initializer_list<const wchar_t*> libraries);
