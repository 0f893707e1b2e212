#pragma once

#include <windows.h>

#include <string>

#include "platform/scoped_handle.h"
#include "shell/web_requests/web_request_host.h"

// The driver-alert sign-up: two plain downloads from the maker's site. The first
// sends the e-mail address and answers with the user's id on its last line; the
// second confirms that id with the machine's identity. Afterwards the machine key
// records "RegisteredForDriverAlerts" and the update service gets the device list.

inline constexpr wchar_t kSignupAnswerFileName[] = L"DriverAlertReg.txt";
inline constexpr wchar_t kSignupConfirmAnswerFileName[] = L"temp.txt";

// 0 on success and when driver alerts are switched off (nothing is done then); -1
// on any failure, which records nothing and shows nothing. `quiet` keeps the
// success message back.
int RegisterForDriverAlerts(const std::wstring& emailAddress, bool quiet,
                            WebRequestHost& host = SystemWebRequestHost());

// The first address with the e-mail address percent-encoded as UTF-8.
std::wstring BuildSignupAddress(const std::wstring& emailAddress);
// The second address with the product, user, machine, system and program ids.
std::wstring BuildSignupConfirmAddress(const std::wstring& userId, WebRequestHost& host = SystemWebRequestHost());

// The user id of the first answer: its last line that is not blank, trimmed. Empty
// when there is none or when it is not an id (1 to 64 letters, digits, "-", "_",
// ".", "{" and "}"), as an error page would give.
std::wstring UserIdFromSignupAnswer(const std::string& answerBytes);

// Runs the sign-up for the address on a thread of its own. The popup that starts it
// hands over only its window, to which `doneMessage` is posted when the sign-up has
// returned, with the result (0 or -1) in wParam; a window that is gone by then
// misses nothing. The handle of the thread may be dropped.
UniqueHandle StartDriverAlertSignupWorker(HWND popup, UINT doneMessage, const std::wstring& emailAddress,
                                          bool quiet = false, WebRequestHost& host = SystemWebRequestHost());
