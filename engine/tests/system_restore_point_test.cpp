#include "engine/system_restore_point.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include <string>
#include <vector>

#include "foundation/product_key.h"
#include "tests/support/scoped_registry.h"
#include "tests/support/scoped_temp_folder.h"

namespace {

SYSTEMTIME Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    FILETIME fileTime{};
    SystemTimeToFileTime(&time, &fileTime);
    FileTimeToSystemTime(&fileTime, &time);  // fills the day of the week
    return time;
}

class SettableUtc final : public UtcTimeSource {
public:
    SYSTEMTIME Now() const override { return now; }
    SYSTEMTIME now = Utc(2024, 3, 10, 12, 0);
};

struct Call {
    DWORD eventType;
    DWORD pointType;
    INT64 sequence;
    std::wstring description;
};

class RecordingClient final : public SystemRestoreClient {
public:
    bool SetRestorePoint(RESTOREPOINTINFOW& request, STATEMGRSTATUS& status) override {
        calls.push_back({request.dwEventType, request.dwRestorePtType, request.llSequenceNumber, request.szDescription});
        if (static_cast<int>(calls.size()) == failAtCall) return false;
        status.nStatus = ERROR_SUCCESS;
        status.llSequenceNumber = 4711;
        return true;
    }
    std::vector<Call> calls;
    int failAtCall = 0;
};

class RestorePoint : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(roots_.Active());
        SetUtcTimeSource(&clock_);
        SetSystemRestoreClient(&client_);
    }
    void TearDown() override {
        SetUtcTimeSource(nullptr);
        SetSystemRestoreClient(nullptr);
    }

    std::optional<RawValue> StoredTime() const {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kProductKeyPath) + L"\\SYSRES").c_str(), 0, KEY_READ,
                          &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        auto value = ReadRawValue(key, L"LastRestorePointTime");
        RegCloseKey(key);
        return value;
    }

    ScopedRegistryRoots roots_;
    SettableUtc clock_;
    RecordingClient client_;
};

TEST_F(RestorePoint, IsMadeAtMostOnceIn25Hours) {
    ASSERT_TRUE(CreateRestorePoint(L"Before the driver update"));
    ASSERT_EQ(client_.calls.size(), 2u);
    EXPECT_EQ(client_.calls[0].eventType, static_cast<DWORD>(BEGIN_SYSTEM_CHANGE));
    EXPECT_EQ(client_.calls[0].pointType, static_cast<DWORD>(APPLICATION_INSTALL));
    EXPECT_EQ(client_.calls[0].sequence, 0);
    EXPECT_EQ(client_.calls[0].description, L"Before the driver update");
    EXPECT_EQ(client_.calls[1].eventType, static_cast<DWORD>(END_SYSTEM_CHANGE));
    EXPECT_EQ(client_.calls[1].sequence, 4711);
    const auto stored = StoredTime();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(stored->bytes.size(), sizeof(SYSTEMTIME));
    EXPECT_EQ(std::memcmp(stored->bytes.data(), &clock_.now, sizeof(SYSTEMTIME)), 0);

    struct Case {
        const char* what;
        SYSTEMTIME now;
        bool due;
    };
    const Case cases[] = {
        {"the same day", Utc(2024, 3, 10, 18, 30), false},
        {"24 hours 59 minutes later", Utc(2024, 3, 11, 12, 59), false},
        {"clock set back", Utc(2024, 3, 9, 12, 0), true},
        {"25 hours later", Utc(2024, 3, 11, 13, 0), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clock_.now = c.now;
        EXPECT_EQ(IsRestorePointDue(), c.due);
    }
    clock_.now = Utc(2024, 3, 10, 20, 0);
    client_.calls.clear();
    EXPECT_TRUE(CreateRestorePoint(L"again"));
    EXPECT_TRUE(client_.calls.empty());
}

TEST_F(RestorePoint, AFailedCallIsTriedAgainNextTime) {
    for (int failAt : {1, 2}) {
        SCOPED_TRACE(failAt);
        client_.calls.clear();
        client_.failAtCall = failAt;
        EXPECT_FALSE(CreateRestorePoint(L"x"));
        EXPECT_EQ(client_.calls.size(), static_cast<size_t>(failAt));
        EXPECT_FALSE(StoredTime());
        EXPECT_TRUE(IsRestorePointDue());
    }
}

TEST_F(RestorePoint, AStoredValueOfTheWrongSizeCountsAsNone) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kProductKeyPath) + L"\\SYSRES").c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE shortValue[8] = {0xE8, 0x07, 3, 0, 0, 0, 10, 0};
    SetRawValue(key, L"LastRestorePointTime", REG_BINARY, shortValue, sizeof(shortValue));
    RegCloseKey(key);
    SYSTEMTIME time{};
    EXPECT_FALSE(ReadRestorePointTime(time));
    EXPECT_TRUE(IsRestorePointDue());
}

TEST_F(RestorePoint, DescriptionFitsTheRecord) {
    // The system's record: description of 256 characters after 16 packed bytes.
    EXPECT_EQ(sizeof(RESTOREPOINTINFOW), 16u + 256u * sizeof(WCHAR));
    ASSERT_TRUE(CreateRestorePoint(std::wstring(100, L'd')));
    EXPECT_EQ(client_.calls[0].description, std::wstring(63, L'd'));

    clock_.now = Utc(2024, 3, 12, 12, 0);
    client_.calls.clear();
    ASSERT_TRUE(CreateRestorePoint(L""));
    ASSERT_FALSE(client_.calls.empty());
    const std::wstring& text = client_.calls[0].description;
    EXPECT_LE(text.size(), kRestorePointDescriptionLimit);
    EXPECT_EQ(text.rfind(L"Halvenor ", 0), 0u) << testing::PrintToString(text);
}

TEST_F(RestorePoint, TheSystemsClientFailsUnderThisSystemAndSavesNothing) {
    // srclient.dll is only a stub here, so the failure path is what runs.
    SetSystemRestoreClient(nullptr);
    EXPECT_FALSE(CreateRestorePoint(L"real client"));
    EXPECT_FALSE(StoredTime());
}

TEST(FormatTime, FormatsLocalTimeOrNothing) {
    std::wstring out = L"stale";
    EXPECT_EQ(FormatTime(nullptr, out, 0), L"");
    __time64_t noon = 1700000000;
    EXPECT_EQ(FormatTime(L"%Y", out, noon), L"2023");
    EXPECT_EQ(FormatTime(L"%Y", out, -1), L"");
    const std::wstring now = FormatCurrentTime();
    // "Sun, Mar 10, 24  12:00"
    EXPECT_EQ(now.size(), 22u) << testing::PrintToString(now);
    EXPECT_EQ(now.substr(3, 2), L", ");
    EXPECT_EQ(now.substr(15, 2), L"  ");
}

class RecordingRestart final : public SystemRestartActions {
public:
    void EnableShutdownPrivilege() override { log += L"privilege;"; }
    void PostQuit(int exitCode) override { log += L"quit " + std::to_wstring(exitCode) + L";"; }
    void RequestRestart(UINT flags, DWORD reason) override {
        log += L"restart " + std::to_wstring(flags) + L" " + std::to_wstring(reason) + L";";
    }
    std::wstring log;
};

TEST(RestartWindows, RestartsPolitelyOrOnlyQuitsWhileComponentWorkIsPending) {
    RecordingRestart restart;
    SetSystemRestartActions(&restart);
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring pending = std::wstring(windows) + L"\\winsxs\\pending.xml";
    DeleteFileW(pending.c_str());

    RestartWindows();
    // EWX_REBOOT | EWX_FORCEIFHUNG: programs are asked to close, not killed.
    EXPECT_EQ(restart.log, L"privilege;restart 18 " + std::to_wstring(0x80000001u) + L";");

    CreateDirectoryW((std::wstring(windows) + L"\\winsxs").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(pending, "<pending/>"));
    restart.log.clear();
    RestartWindows();
    DeleteFileW(pending.c_str());
    SetSystemRestartActions(nullptr);
    EXPECT_EQ(restart.log, L"privilege;quit 18;");
}

}  // namespace
