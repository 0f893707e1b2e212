#include "engine/engine_texts.h"

#include "foundation/language_strings.h"

std::wstring AbsentDeviceText() { return GetLangString(L"string404", L"RESOURCESTRING"); }
std::wstring CorruptBackupText() { return GetLangString(L"IDS_CURRPTZIP_BACKUP", L"RESOURCESTRING"); }
