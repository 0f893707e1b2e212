#pragma once

#include <windows.h>

#include <string>

// Whether the folder-browse dialog may accept a folder: not on the network, not in
// a recycle bin or the system volume information, and on a volume with a file
// system.
bool IsFolderSelectable(const std::wstring& path);

// The folder that the browse dialog selects when it opens; set by whoever shows it.
void SetBrowseInitialFolder(const std::wstring& path);
std::wstring GetBrowseInitialFolder();

// The browse dialog's callback (BFFCALLBACK): preselects the initial folder, shows
// each selected path as status text and allows OK only for a selectable folder.
int CALLBACK BrowseFolderCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM data);
