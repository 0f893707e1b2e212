#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The task writer's messages: the text of a language key in a message box with the
// program's title. Tests and unattended callers can take them instead; an empty
// sink brings the message box back.
using ScheduleMessageSink = std::function<void(const std::wstring& key, const std::wstring& text, UINT icon)>;
void SetScheduleMessageSink(ScheduleMessageSink sink);

// `icon` is MB_ICONERROR or MB_ICONINFORMATION.
void ShowScheduleMessage(const wchar_t* key, UINT icon);
