#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/sha1_digest.h"

using TextPair = std::pair<std::wstring, std::wstring>;  // (name, value)

// Where the machine's identifying values come from. The system one reads WMI, IP
// Helper and the workstation transports; tests give fixed values.
class MachineFactsSource {
public:
    virtual ~MachineFactsSource() = default;
    // 0 on success or after an error inside the query; 1 when WMI cannot be reached
    // or refuses the query. Fills the values of `pairs` (for the adapter class:
    // replaces the pairs by one (name, address) pair per adapter).
    virtual int QueryWmiClass(const std::wstring& className, std::vector<TextPair>& pairs) = 0;
    // Twelve upper-case hexadecimal digits per address, unique without regard to case.
    virtual void CollectAdapterAddresses(std::vector<std::wstring>& addresses) = 0;
};

class SystemMachineFacts : public MachineFactsSource {
public:
    int QueryWmiClass(const std::wstring& className, std::vector<TextPair>& pairs) override;
    void CollectAdapterAddresses(std::vector<std::wstring>& addresses) override;
};

// The short identity text by which the update service recognises a machine: the
// hardware's identifying values, normalised, sorted and de-duplicated, digested with
// SHA-1, and the digest text folded by CRC-64 into one signed decimal number.
class CHardwareHash {
public:
    static constexpr const wchar_t* kExcludedVirtualAddresses[2] = {L"005056C00001", L"005056C00008"};

    // Without a source the system's values are read.
    explicit CHardwareHash(std::unique_ptr<MachineFactsSource> source = nullptr);
    virtual ~CHardwareHash();

    // The process-wide identity: the first call computes it (and fills the value
    // arrays); later calls return the same text without reading anything. Safe to
    // call from several threads at once.
    std::wstring ComputeMachineHash();

    // Reads the sources and computes the identity text afresh, ignoring the cache.
    std::wstring ComputeIdentityText();

    const std::vector<TextPair>& BiosValues() const { return biosValues_; }
    const std::vector<TextPair>& BaseboardValues() const { return baseboardValues_; }
    const std::vector<TextPair>& ComputerSystemValues() const { return computerSystemValues_; }
    const std::vector<TextPair>& WmiAdapterValues() const { return wmiAdapterValues_; }
    const std::vector<std::wstring>& AddressList() const { return addressList_; }

private:
    int digestActive_ = 0;
    std::unique_ptr<Sha1Digest> sha1_;
    std::vector<std::wstring> addressList_;
    std::vector<TextPair> biosValues_;
    std::vector<TextPair> baseboardValues_;
    std::vector<TextPair> computerSystemValues_;
    std::vector<TextPair> wmiAdapterValues_;
    std::unique_ptr<MachineFactsSource> source_;
};

// The one identity object of the program; the scan request reads its values.
CHardwareHash& MachineHashObject();

// The process-wide identity text of MachineHashObject().
std::wstring ComputeMachineHash();

// Adds `text`, trimmed, unless it is empty or already listed without regard to case.
void AddUniqueAddress(std::vector<std::wstring>& addresses, const std::wstring& text);
