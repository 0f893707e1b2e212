#include "scan/hardware_hash.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "platform/trim_blanks.h"
#include "scan/crc64.h"
#include "platform/text_case.h"

namespace {

const wchar_t* const kBiosProperties[] = {L"Name", L"Manufacturer", L"SMBIOSBIOSVersion", L"SerialNumber",
                                          L"ReleaseDate"};
const wchar_t* const kBaseboardProperties[] = {L"Product", L"Manufacturer", L"SerialNumber", L"Version"};
const wchar_t* const kComputerSystemProperties[] = {L"Model", L"Manufacturer"};

std::mutex g_identityMutex;
std::wstring g_identityText;  // guarded by g_identityMutex

std::wstring UpperAscii(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return text;
}

template <size_t N>
void FillNames(std::vector<TextPair>& pairs, const wchar_t* const (&names)[N]) {
    pairs.clear();
    for (const wchar_t* name : names) pairs.emplace_back(TrimBlanks(name), std::wstring());
}

// Trim, skip when empty, else lower-case and trim again.
void AddNormalised(std::vector<std::wstring>& list, const std::wstring& value) {
    const std::wstring trimmed = TrimBlanks(value);
    if (trimmed.empty()) return;
    list.push_back(TrimBlanks(LowerInvariant(trimmed)));
}

bool IsExcludedAddress(const std::wstring& address) {
    const std::wstring trimmed = TrimBlanks(address);
    for (const wchar_t* excluded : CHardwareHash::kExcludedVirtualAddresses) {
        if (EqualsIgnoringCase(trimmed, excluded)) return true;
    }
    return false;
}

void AddAddress(std::vector<std::wstring>& list, const std::wstring& address) {
    if (IsExcludedAddress(address)) return;
    AddNormalised(list, address);
}

void FeedUtf16(Sha1Digest& sha1, const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    sha1.Update(bytes.data(), bytes.size());
}

}  // namespace

void AddUniqueAddress(std::vector<std::wstring>& addresses, const std::wstring& text) {
    const std::wstring trimmed = TrimBlanks(text);
    if (trimmed.empty()) return;
    for (const auto& listed : addresses) {
        if (EqualsIgnoringCase(listed, trimmed)) return;
    }
    addresses.push_back(trimmed);
}

CHardwareHash::CHardwareHash(std::unique_ptr<MachineFactsSource> source)
    : source_(source ? std::move(source) : std::make_unique<SystemMachineFacts>()) {}

CHardwareHash::~CHardwareHash() = default;

std::wstring CHardwareHash::ComputeIdentityText() {
    std::wstring digestText;
    try {
        biosValues_.clear();
        baseboardValues_.clear();
        computerSystemValues_.clear();
        wmiAdapterValues_.clear();
        addressList_.clear();
        sha1_ = std::make_unique<Sha1Digest>();
        digestActive_ = 1;

        FillNames(biosValues_, kBiosProperties);
        source_->QueryWmiClass(L"Win32_BIOS", biosValues_);
        FillNames(baseboardValues_, kBaseboardProperties);
        source_->QueryWmiClass(L"Win32_BaseBoard", baseboardValues_);
        wmiAdapterValues_ = {{L"name", L""}, {L"macaddress", L""}};
        source_->QueryWmiClass(L"Win32_NetworkAdapter", wmiAdapterValues_);
        FillNames(computerSystemValues_, kComputerSystemProperties);
        source_->QueryWmiClass(L"Win32_ComputerSystem", computerSystemValues_);

        sha1_ = std::make_unique<Sha1Digest>();
        std::vector<std::wstring> list;
        for (const auto* values : {&biosValues_, &baseboardValues_, &computerSystemValues_}) {
            for (const auto& pair : *values) AddNormalised(list, pair.second);
        }
        if (!wmiAdapterValues_.empty()) {
            for (const auto& pair : wmiAdapterValues_) AddAddress(list, pair.second);
        } else {
            source_->CollectAdapterAddresses(addressList_);
            for (const auto& address : addressList_) AddAddress(list, address);
        }

        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());

        for (const auto& text : list) {
            const std::wstring cleaned = TrimBlanks(LowerInvariant(TrimBlanks(text)));
            if (!cleaned.empty()) FeedUtf16(*sha1_, cleaned);
        }
        sha1_->Final();
        wchar_t hex[3];
        for (BYTE b : sha1_->GetDigest()) {
            std::swprintf(hex, 3, L"%02X", b);
            digestText += hex;
        }
    } catch (...) {
        digestText.clear();
    }
    sha1_.reset();
    digestActive_ = 0;
    if (digestText.empty()) digestText.assign(40, L'1');

    const uint64_t crc = Crc64OfText(digestText);
    wchar_t number[32];
    std::swprintf(number, 32, L"%lld", static_cast<long long>(crc));
    return UpperAscii(TrimBlanks(number));
}

std::wstring CHardwareHash::ComputeMachineHash() {
    std::lock_guard<std::mutex> lock(g_identityMutex);
    if (!g_identityText.empty()) return g_identityText;
    g_identityText = ComputeIdentityText();
    return g_identityText;
}

CHardwareHash& MachineHashObject() {
    static CHardwareHash object;
    return object;
}

std::wstring ComputeMachineHash() { return MachineHashObject().ComputeMachineHash(); }
