#pragma once

#include <windows.h>

#include <string>

#include "foundation/language_strings.h"
#include "shell/app/main_window_ids.h"

// What the main window's source files share.
namespace main_window_parts {

inline constexpr int kWidth = 783;
inline constexpr int kHeight = 595;
inline constexpr int kHeaderHeight = 75;

// The navigation buttons' images and the frame's bottom corners.
inline constexpr UINT kLanguageButtonBitmap = 1015, kHelpButtonBitmap = 142, kFeedbackButtonBitmap = 206;
inline constexpr UINT kCornerLeftBitmap = 228, kCornerRightBitmap = 229;
inline constexpr int kSupportLineLeft = 596;

inline std::wstring LangText(const wchar_t* key) { return GetLangString(key, kResourceStringSection); }

// The tab buttons of the header, of which at most one is selected.
inline constexpr UINT kNavigationIds[] = {MainCommand::kHome, MainCommand::kScanTab, MainCommand::kBackupTab,
                                          MainCommand::kDownloads, MainCommand::kSettings};

}  // namespace main_window_parts
