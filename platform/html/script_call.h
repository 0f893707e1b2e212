#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

// Calls the script function `name` of a page's script object with one text per
// argument, in the order given. The result goes to `result` when one is given.
// S_OK, or the HRESULT of the failed look-up or call; the argument texts and the
// script's exception record are freed here either way.
HRESULT CallScriptFunction(IDispatch* script, const std::wstring& name, const std::vector<std::wstring>& arguments,
                           VARIANT* result);
