#pragma once

#include <windows.h>

#include <string>

#include "foundation/ini_file_cache.h"
#include "foundation/language_strings.h"

// A language file in which every text the results screens use is its own key, so
// expected values read as the keys the pages get; the texts that carry a number
// keep their placeholder or format.
inline void UseKeyLanguageFile(const std::wstring& path) {
    static const wchar_t* const kKeys[] = {
        L"IDS_ALLDRIVER_UPDATE", L"IDS_ALLUPTODATE_DRIVER", L"IDS_ANCIENT", L"IDS_AVAILABLED", L"IDS_CLOSE",
        L"IDS_COL_DATE", L"IDS_DOWNLOAD", L"IDS_DRIVER_AGE", L"IDS_DRIVER_DETAILS", L"IDS_GETTING_RESULTS",
        L"IDS_HINT_SCAN_RESULTS", L"IDS_IGNORE_TEXT", L"IDS_INSTALLED", L"IDS_INTERNETCONN_FIREWALL_CHECK",
        L"IDS_NEVER_COMPLETED_SCAN1", L"IDS_NEVER_COMPLETED_SCAN2", L"IDS_NEVER_UPDATED",
        L"IDS_NODRIVER_FOUND_UPDATE", L"IDS_NOSCAN", L"IDS_NOSELC_DRIVER_TOUPDATE", L"IDS_NOT_AVAILABLE", L"IDS_OLD",
        L"IDS_PREPARE_STARTSCAN", L"IDS_RESTART_PC_TO_COMPLETE_INSTALL", L"IDS_SET_SAVE_START_SCAN", L"IDS_STATUS",
        L"IDS_STOP_SCAN_DES", L"IDS_TODAY", L"IDS_UPDATE_DRIVER", L"IDS_VERY_OLD", L"IDS_VQ_ACTION_REQ",
        L"IDS_WAIT_SCAN_PROGR", L"IDS_YESTERDAY", L"SCANTAB2DISKDRIVE", L"SCANTAB2DISPLAY", L"SCANTAB2DVD_CDROM",
        L"SCANTAB2IDE_ATA_ATAPI", L"SCANTAB2MONITOR", L"SCANTAB2NETWORK", L"SCANTAB2OTHER_DEVICE",
        L"SCANTAB2PROCESSOR", L"SCANTAB2SCSI_RAID", L"SCANTAB2SOUND", L"SCANTAB2SYSTEM_DEVICE", L"SCANTAB2USB",
        L"SCANTAB3PUBLISHER", L"String312", L"string1", L"string103", L"string165", L"string166", L"string167",
        L"string35", L"string352", L"string353", L"string355", L"string356", L"string357", L"string358",
        L"string359", L"string400", L"string401", L"string403", L"string404", L"string405", L"string95", L"string97",
        L"varAvailableText", L"varBottomText", L"varBottomText1", L"varDetailsText", L"varDlgHeading",
        L"varNewDriverText", L"varOldDriverOutdatedText", L"varUpdateAllBtnText"};
    for (const wchar_t* key : kKeys) WritePrivateProfileStringW(L"RESOURCESTRING", key, key, path.c_str());
    const std::pair<const wchar_t*, const wchar_t*> formats[] = {
        {L"IDS_VERSION", L"Version:"},
        {L"varAttentionText", L"N_ERR_DONOTTRANSLATE outdated drivers"},
        {L"varAttentionText1", L"N_ERR_DONOTTRANSLATE outdated driver"},
        {L"IDS_LAST_UPDATED_DAYS_AGO", L"updated N_OF_DAYS_DONOTTRANSLATE days ago"},
        {L"IDS_DAYSAGO", L"%d days ago"},
        {L"IDS_DRIVER_COUNT", L"%d driver"},
        {L"IDS_DRIVERS_COUNT", L"%d drivers"},
        {L"string354", L"N_ERR_DONOTTRANSLATE years"},
        {L"string406", L"N_ERR_DONOTTRANSLATE year"},
    };
    for (const auto& [key, text] : formats) WritePrivateProfileStringW(L"RESOURCESTRING", key, text, path.c_str());
    LanguageFileCache().SetPath(path);
    LanguageFileCache().ClearCache();
}
