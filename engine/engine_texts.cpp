#include "engine/engine_texts.h"

std::wstring AbsentDeviceText() { return L"string404"; }
std::wstring CorruptBackupText() { return L"IDS_CURRPTZIP_BACKUP"; }
std::wstring EngineAppTitle() { return L"Halvenor"; }
