#include "scan/update_matcher.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "foundation/app_settings.h"
#include "foundation/markup.h"
#include "foundation/sort_string_array.h"
#include "platform/text_case.h"
#include "scan/exclusion_store.h"
#include "scan/installed_driver_details.h"
#include "scan/markup_walk.h"


namespace {

constexpr uint32_t kNoSuchDevnode = 13;  // CR_NO_SUCH_DEVNODE: the device is not present
// The candidate list has room for this many characters, separators included.
constexpr size_t kCandidateRoom = 2047;

// Leading blanks, a sign and decimal digits; anything else ends the number, and a
// text without digits reads as 0. Saturates instead of overflowing.
int64_t ReadDecimal(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (value < INT64_MAX / 10) value = value * 10 + (text[i] - L'0');
    }
    return negative ? -value : value;
}

// Severities run from 1 (most urgent) to 4; anything else is 4.
int32_t ForcedSeverity(int64_t value) { return value < 1 || value > 4 ? 4 : static_cast<int32_t>(value); }

bool IsOne(const std::wstring& text) { return ReadDecimal(text) == 1; }

// The number of a text that reads as an unsigned decimal, wrapping like the C
// library does for a leading minus.
uint32_t ReadUnsigned(const std::wstring& text) { return static_cast<uint32_t>(ReadDecimal(text)); }

uint32_t FeatureScore(const std::wstring& text) {
    std::wstring digits = text;
    for (size_t at; (at = digits.find(L"0x")) != std::wstring::npos;) digits.erase(at, 2);
    if (EqualsIgnoringCase(digits, L"GG") || digits.size() > 2) return 0xFF0000;
    const uint32_t score = static_cast<uint32_t>(wcstoul(digits.c_str(), nullptr, 16)) << 16;
    return score < 0x1000000 ? score : 0xFF0000;
}

int PositionIgnoringCase(const std::vector<std::wstring>& ids, const std::wstring& loweredId) {
    for (size_t i = 0; i < ids.size(); ++i) {
        if (LowerInvariant(ids[i]) == loweredId) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

std::vector<std::wstring> CandidateIdentifiers(const DriverInfoRecord& device, const CDriverScanUpdate& engine) {
    std::vector<std::wstring> candidates;
    const auto isGeneric = [&engine](const std::wstring& id) { return engine.IsGenericDevice(L"", id); };

    const std::wstring& matchingIds = device.matchingIds;
    const size_t bar = matchingIds.find(L'|');
    const std::wstring firstMatchingId = LowerInvariant(bar == std::wstring::npos ? matchingIds : matchingIds.substr(0, bar));

    if (!device.hardwareId.empty()) {
        const std::wstring hardwareId = TrimBlanks(device.hardwareId);
        candidates.push_back(hardwareId);
        const std::wstring lowered = LowerInvariant(hardwareId);
        const size_t revision = lowered.find(L"&rev_");
        if (revision != 0) {
            candidates.push_back(lowered.substr(0, revision));
            const size_t subsystem = lowered.find(L"&subsys_");
            if (subsystem != 0) {
                std::wstring withoutSubsystem = lowered.substr(0, subsystem);
                if (withoutSubsystem != firstMatchingId) candidates.push_back(std::move(withoutSubsystem));
            }
        }
    }

    if (bar != std::wstring::npos && bar > 0 && !isGeneric(firstMatchingId)) candidates.push_back(firstMatchingId);
    candidates.push_back(TrimBlanks(bar == std::wstring::npos ? matchingIds : matchingIds.substr(bar + 1)));

    const auto appendListed = [&](const std::wstring& id) {
        std::wstring trimmed = TrimBlanks(id);
        if (!trimmed.empty() && !isGeneric(trimmed)) candidates.push_back(std::move(trimmed));
    };
    appendListed(device.matchingDeviceId);
    for (const std::wstring& id : device.hardwareIds) appendListed(id);
    for (const std::wstring& id : device.compatibleIds) appendListed(id);

    // The list is "|"-joined in a fixed buffer: empty pieces vanish when it is split,
    // and what does not fit whole is not matched.
    std::vector<std::wstring> fitting;
    size_t used = 0;
    for (std::wstring& id : candidates) {
        if (id.empty()) continue;
        const size_t needed = id.size() + (used == 0 ? 0 : 1);
        if (used + needed > kCandidateRoom) break;
        used += needed;
        fitting.push_back(std::move(id));
    }
    return fitting;
}

namespace {

void FillOfferedRecord(DriverInfoRecord& offered, const UpdateEntry& entry, const std::wstring& candidate) {
    offered.hardwareId = candidate;
    const auto copyWhenGiven = [](std::wstring& field, const std::wstring& text) {
        if (!text.empty()) field = text;
    };
    copyWhenGiven(SecondHardwareIdOf(offered), entry.secondHardwareIdentifier);
    if (!entry.infDate.empty()) {
        // A date the service wrote badly leaves the record without a date.
        if (const auto date = DateStringToFileTime(entry.infDate)) {
            offered.driverDate = entry.infDate;
            offered.driverDateLow = date->dwLowDateTime;
            offered.driverDateHigh = date->dwHighDateTime;
        }
    }
    copyWhenGiven(InfPathOf(offered), entry.infPath);
    copyWhenGiven(offered.driverVersion, entry.version);
    copyWhenGiven(Md5Of(offered), entry.md5);
    copyWhenGiven(DownloadAddressOf(offered), entry.downloadAddress);
    SpecificCaseOf(offered) = !entry.specificCase.empty() && IsOne(entry.specificCase) ? 1 : 0;
    InstallFlagOf(offered) = entry.installFlag.empty() || IsOne(entry.installFlag) ? 1 : 0;
    DriverIdOf(offered) = static_cast<uint64_t>(ReadDecimal(entry.downloadId));
    SeverityOf(offered) =
        static_cast<uint16_t>(entry.severity.empty() ? 4 : ForcedSeverity(ReadDecimal(entry.severity)));
    RiskLevelOf(offered) = static_cast<uint16_t>(ReadDecimal(entry.riskLevel));
    CategoryIdOf(offered) = entry.categoryId.empty() ? DriverInfoRecord::kAllBits16
                                                     : static_cast<uint16_t>(ReadDecimal(entry.categoryId));
    AgeInDaysOf(offered) = static_cast<uint32_t>(ReadDecimal(entry.age));
    copyWhenGiven(offered.manufacturer, entry.manufacturer);
    copyWhenGiven(offered.provider, entry.provider);
    copyWhenGiven(offered.signer, entry.signer);
    copyWhenGiven(SlpOf(offered), entry.slp);
    IfgOf(offered) = static_cast<uint16_t>(ReadDecimal(entry.ifg));
    copyWhenGiven(SlpmOf(offered), entry.slpm);
    SetSih(offered, entry.sih.empty() ? DriverInfoRecord::kAllBits64 : static_cast<uint64_t>(ReadDecimal(entry.sih)));
    FeatureScoreOf(offered) = static_cast<uint32_t>(ReadDecimal(entry.featureScore));
}

bool IsInstalledByUs(const CDriverScanUpdate& engine, const DriverInfoRecord& device, const UpdateEntry& entry) {
    const ScanOperation* app = engine.App();
    if (app == nullptr || app->InstalledDrivers().Empty()) return false;
    EngineExclusionEntry installed;
    installed.hardwareIdentifier = device.hardwareId;
    installed.guidPath = device.driverKey;
    installed.md5 = entry.md5;
    installed.infPath = NormaliseInfPath(entry.infPath);
    return app->InstalledDrivers().IsDriverExcluded(installed) != 0;
}

void MatchDevice(CDriverScanUpdate& engine, int deviceIndex) {
    DriverInfoRecord& device = engine.devices[static_cast<size_t>(deviceIndex)];
    DriverInfoRecord& offered = (*engine.devices[0].offeredDrivers)[static_cast<size_t>(deviceIndex)];

    if (!device.hardwareId.empty() && !device.driverKey.empty() &&
        engine.IsDeviceIgnored(device.hardwareId, device.driverKey, L"")) {
        return;
    }
    // A device whose update is installed and waits for the restart is left alone.
    if (SavedResultStateOf(device) == 2) return;

    const auto [firstEntry, endEntry] = engine.matcher.offeredDriverMap.equal_range(deviceIndex);
    std::vector<std::pair<std::wstring, const UpdateEntry*>> entries;
    for (auto it = firstEntry; it != endEntry; ++it) entries.emplace_back(LowerInvariant(it->second.hardwareIdentifier), &it->second);

    for (const std::wstring& candidate : CandidateIdentifiers(device, engine)) {
        const std::wstring loweredCandidate = LowerInvariant(candidate);
        for (const auto& [loweredOffered, entry] : entries) {
            if (loweredCandidate != loweredOffered) continue;
            // The first pair that matches is the device's offer; later ones are not.
            if (!offered.hardwareId.empty()) continue;

            FillOfferedRecord(offered, *entry, candidate);
            const int32_t severity = ForcedSeverity(SeverityOf(offered));
            AddCategoryUpdate(engine.categoryTable, device.category, severity);
            engine.worstSeverity = std::min(ForcedSeverity(engine.worstSeverity), severity);
            offered.driverRank =
                ComputeDriverRank(candidate, entry->compatibleIdIndex, entry->featureScore, engine.devices, deviceIndex);

            const bool isUpdate = !candidate.empty() && !engine.IsGenericDevice(L"", candidate) &&
                                  device.driverRank != 0 && offered.driverRank <= device.driverRank &&
                                  !IsInstalledByUs(engine, device, *entry) &&
                                  IsUpdateAllowedForDevice(engine.devices, deviceIndex);
            if (isUpdate) {
                engine.matcher.devicesWithUpdate.insert(deviceIndex);
                engine.updateList[engine.updateCount] = entry->deviceIndex;
                ++engine.updateCount;
            }
        }
    }
}

}  // namespace


uint32_t ComputeDriverRank(const std::wstring& matchedId, const std::wstring& compatibleIdIndex,
                           const std::wstring& featureScore, const DriverInfoArray& devices, int deviceIndex,
                           unsigned osMajorVersion) {
    if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= devices.size()) return 0;
    const DriverInfoRecord& device = devices[static_cast<size_t>(deviceIndex)];
    const uint32_t c = ReadUnsigned(compatibleIdIndex);
    const std::wstring loweredId = LowerInvariant(matchedId);

    uint32_t identifierScore = 0;
    if (const int p = PositionIgnoringCase(device.allHardwareIds, loweredId); p >= 0) {
        identifierScore = static_cast<uint32_t>(p) + (c != 0 ? 0x1000u : 0u);
    } else if (const int q = PositionIgnoringCase(device.allCompatibleIds, loweredId); q >= 0) {
        identifierScore = c == 0 ? 0x2000u + static_cast<uint32_t>(q) : 0x3000u + (c - 1) * 0x100u + static_cast<uint32_t>(q);
    }

    const DriverInfoArray* offered = devices[0].offeredDrivers.get();
    const bool signedDriver = offered != nullptr && static_cast<size_t>(deviceIndex) < offered->size() &&
                              ReadDecimal((*offered)[static_cast<size_t>(deviceIndex)].signer) > 0;
    uint32_t rank = identifierScore + (signedDriver ? 0u : 0x80000000u);
    if (osMajorVersion > 5) rank += FeatureScore(featureScore);
    return rank;
}

bool IsUpdateAllowedForDevice(const DriverInfoArray& devices, int deviceIndex) {
    if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= devices.size()) return true;
    const DriverInfoRecord& device = devices[static_cast<size_t>(deviceIndex)];
    if (device.nodeStatusResult != kNoSuchDevnode) return true;
    static const wchar_t* const kHeldBackClasses[] = {
        L"4d36e968-e325-11ce-bfc1-08002be10318", L"4d36e96c-e325-11ce-bfc1-08002be10318",
        L"4d36e972-e325-11ce-bfc1-08002be10318", L"4d36e96f-e325-11ce-bfc1-08002be10318",
        L"4d36e96b-e325-11ce-bfc1-08002be10318"};
    const std::wstring driverKey = LowerInvariant(device.driverKey);
    for (const wchar_t* guid : kHeldBackClasses) {
        if (driverKey.find(guid) != std::wstring::npos) return false;
    }
    return true;
}

void AddCategoryUpdate(std::vector<CDriverScanUpdate::tagCategoryUpdateInfo>& categories, const std::wstring& name,
                       int32_t severity) {
    for (auto& category : categories) {
        if (EqualsIgnoringCase(category.name, name)) {
            category.severity = std::max(category.severity, severity);
            ++category.count;
            return;
        }
    }
    categories.push_back({name, severity, 1});
}

int ComputeDriverAgeStatus(int32_t updateCount, int32_t worstSeverity) {
    const int byCount = updateCount > 3 ? 1 : (updateCount == 2 || updateCount == 3) ? 2 : 4;
    return std::min(byCount, static_cast<int>(ForcedSeverity(worstSeverity)));
}

void MatchDriverUpdates(CDriverScanUpdate& engine) {
    // A second scan or a reload in the same run starts from nothing.
    engine.matcher.devicesWithUpdate.clear();
    engine.matcher.displayKeys.clear();
    engine.categoryTable.clear();
    engine.updateList.clear();
    engine.updateCount = 0;
    engine.worstSeverity = 4;

    if (!engine.devices.empty()) {
        DriverInfoRecord::AttachOfferedDrivers(engine.devices);
        for (const int deviceIndex : engine.matcher.answerDeviceIndexes) {
            if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= engine.devices.size()) continue;
            MatchDevice(engine, deviceIndex);
        }
    }

    std::wstring withUpdate;
    for (const int deviceIndex : engine.matcher.devicesWithUpdate) {
        if (!withUpdate.empty()) withUpdate += L'|';
        withUpdate += std::to_wstring(deviceIndex);
    }
    engine.matcher.devicesWithUpdateText = withUpdate;

    // Present devices first, then by category and name.
    CSortStringArray order;
    for (const int deviceIndex : engine.matcher.devicesWithUpdate) {
        const DriverInfoRecord& device = engine.devices[static_cast<size_t>(deviceIndex)];
        const std::wstring key = std::wstring(device.nodeStatusResult == kNoSuchDevnode ? L"1|" : L"0|") +
                                 device.category + L"|" + device.deviceName + L"|" + std::to_wstring(deviceIndex);
        engine.matcher.displayKeys.insert(key);
        order.Add(key);
    }
    order.Sort();
    engine.displayOrder = order.Items();

    UpdateDriverAgeStatus(engine);
}

void ParseScanResponse(CMarkup& markup, CDriverScanUpdate& engine, const std::wstring& answerText) {
    engine.answerText = answerText;
    engine.matcher.offeredDriverMap.clear();
    engine.matcher.answerDeviceIndexes.clear();
    engine.matcher.devicesWithUpdateText.clear();
    engine.matcher.workingOfferedDriver.Reset();

    const size_t deviceCount =
        std::min(static_cast<size_t>(std::max(engine.DeviceCount(), 0)), engine.devices.size());
    CDriverScanUpdate::MatcherWork& work = engine.matcher;
    AnswerTargets targets{work.workingOfferedDriver, work.offeredDriverMap, work.answerDeviceIndexes,
                          engine.databaseVersionText, deviceCount};
    ReadScanAnswer(markup, answerText, targets);
    MatchDriverUpdates(engine);
}

void UpdateDriverAgeStatus(const CDriverScanUpdate& engine) {
    const int status = ComputeDriverAgeStatus(engine.updateCount, engine.worstSeverity);
    UpdateAppSettings([status](AppSettings& settings) { settings.driverAge = status; });
    SaveSettings();
}
