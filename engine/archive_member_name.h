#pragma once

#include <string_view>

// Names inside downloaded archives are untrusted. A member may only name a path
// below the folder it is extracted into: no root or drive, no UNC or device path,
// no ".." step, no stream or drive colon, no device name such as CON or LPT1.
bool IsSafeArchiveMemberName(std::wstring_view name);
