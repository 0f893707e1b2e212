#pragma once

#include <windows.h>
#include <setupapi.h>

#include "platform/scoped_handle.h"

// A SetupAPI device information list; its driver lists go with it.
struct DeviceInfoListTraits {
    static HDEVINFO Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Holds(HDEVINFO list) { return list != nullptr && list != INVALID_HANDLE_VALUE; }
    static bool Close(HDEVINFO list) { return SetupDiDestroyDeviceInfoList(list) != FALSE; }
};
using ScopedDeviceInfoList = ScopedHandle<HDEVINFO, DeviceInfoListTraits>;
