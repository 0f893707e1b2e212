#pragma once

#include <string>
#include <vector>

#include "tests/support/cabinet_writer.h"

// Writes a real zip file with minizip, each member deflated under its name as given
// (crafted names included), so extraction sees what a packager would produce.
bool WriteZip(const std::wstring& path, const std::vector<CabinetMember>& members);
