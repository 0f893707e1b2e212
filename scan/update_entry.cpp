#include "scan/update_entry.h"

#include <array>
#include <cwctype>

#include "foundation/markup.h"
#include "scan/markup_walk.h"

namespace {

struct AnswerField {
    const wchar_t* shortName;
    const wchar_t* longName;
    std::wstring UpdateEntry::*field;
};

// "id", "sig" and "dbv" are handled apart: they open, close or stand outside an entry.
constexpr std::array<AnswerField, 24> kAnswerFields{{
    {L"mid", L"hardwareidentifier", &UpdateEntry::hardwareIdentifier},
    {L"hid", L"hardwareid", &UpdateEntry::secondHardwareIdentifier},
    {L"infd", L"infdate", &UpdateEntry::infDate},
    {L"infp", L"infpath", &UpdateEntry::infPath},
    {L"ver", L"version", &UpdateEntry::version},
    {L"isc", L"isspecificcase", &UpdateEntry::specificCase},
    {L"md5", L"md5", &UpdateEntry::md5},
    {L"ii", L"isinstall", &UpdateEntry::installFlag},
    {L"did", L"downloadid", &UpdateEntry::downloadId},
    {L"sev", L"severity", &UpdateEntry::severity},
    {L"rl", L"risklevel", &UpdateEntry::riskLevel},
    {L"lu", L"liburl", &UpdateEntry::downloadAddress},
    {L"cidx", L"compatibleididx", &UpdateEntry::compatibleIdIndex},
    {L"fs", L"featurescore", &UpdateEntry::featureScore},
    {L"ss", L"signaturescore", &UpdateEntry::signatureScore},
    {L"cid", L"categoryid", &UpdateEntry::categoryId},
    {L"age", L"age", &UpdateEntry::age},
    {L"mfg", L"manufacturer", &UpdateEntry::manufacturer},
    {L"prv", L"provider", &UpdateEntry::provider},
    {L"isf", L"isf", &UpdateEntry::isf},
    {L"ifg", L"ifg", &UpdateEntry::ifg},
    {L"slp", L"slp", &UpdateEntry::slp},
    {L"slpm", L"slpm", &UpdateEntry::slpm},
    {L"sih", L"sih", &UpdateEntry::sih},
}};

// Element names are ASCII; folding only that keeps the hot path of a large answer
// free of locale calls.
std::wstring LowerAscii(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// The index as the service wrote it: decimal digits only. Anything else, or a value
// beyond int32, gives -1, which no device has.
int32_t ParseDeviceIndex(const std::wstring& text) {
    if (text.empty() || text.size() > 10) return -1;
    int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return value > INT32_MAX ? -1 : static_cast<int32_t>(value);
}

bool IsOneOfOurDevices(int32_t index, size_t deviceCount) {
    return index >= 0 && static_cast<size_t>(index) < deviceCount;
}

}  // namespace

void ReadAnswerField(const std::wstring& name, const std::wstring& text, AnswerVocabulary vocabulary,
                     AnswerTargets& targets) {
    const std::wstring key = LowerAscii(name);
    const bool shortNames = vocabulary == AnswerVocabulary::kShort;

    if (key == (shortNames ? L"id" : L"driverid")) {
        // A fresh entry: an entry that leaves a field out must not carry the previous
        // device's download id, address or digest.
        targets.working.Reset();
        targets.working.deviceIndex = ParseDeviceIndex(text);
        if (IsOneOfOurDevices(targets.working.deviceIndex, targets.deviceCount)) {
            targets.deviceIndexes.insert(targets.working.deviceIndex);
        }
        return;
    }
    if (key == L"dbv") {
        targets.databaseVersion = text;
        return;
    }
    if (key == (shortNames ? L"sig" : L"signer")) {
        targets.working.signer = text;
        if (IsOneOfOurDevices(targets.working.deviceIndex, targets.deviceCount)) {
            targets.offeredDrivers.emplace(targets.working.deviceIndex, targets.working);
        }
        targets.working.Reset();
        return;
    }
    for (const AnswerField& field : kAnswerFields) {
        if (key == (shortNames ? field.shortName : field.longName)) {
            targets.working.*field.field = text;
            return;
        }
    }
}

void ReadScanAnswer(CMarkup& markup, const std::wstring& answerText, AnswerTargets& targets) {
    markup.SetDoc(L"");
    if (!markup.SetDoc(answerText)) return;

    std::wstring previousName;  // lower case
    bool first = true;
    WalkMarkupElements(
        markup,
        [&](const std::wstring& name, const std::wstring& text) {
            std::wstring lowered = LowerAscii(name);
            if (!first && lowered == previousName) return;
            first = false;
            previousName = std::move(lowered);
            ReadAnswerField(name, text, AnswerVocabulary::kShort, targets);
        },
        nullptr);
}
