#include "shell/scheduled_tasks/startup_reminder.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>
#include <wrl/client.h>

#include <optional>
#include <string>
#include <vector>

#include "foundation/system_helpers.h"
#include "shell/scheduled_tasks/logon_task_service.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_registry.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

class RecordingLogonTaskService : public LogonTaskService {
public:
    RecordingLogonTaskService() { SetLogonTaskService(this); }
    ~RecordingLogonTaskService() override { SetLogonTaskService(nullptr); }

    bool Register(const LogonTaskDefinition& task) override {
        registered.push_back(task);
        steps.push_back(true);
        return true;
    }
    void Delete(const std::wstring& name) override {
        deleted.push_back(name);
        steps.push_back(false);
    }

    std::vector<LogonTaskDefinition> registered;
    std::vector<std::wstring> deleted;
    std::vector<bool> steps;  // in order: true a registration, false a deletion
};

std::optional<std::wstring> ReadRunValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    wchar_t text[1024] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status =
        RegQueryValueExW(key, kStartupReminderRunValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::wstring(text);
}

bool LogonTaskExists(const std::wstring& name) {
    using Microsoft::WRL::ComPtr;
    ComPtr<ITaskService> service;
    if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                reinterpret_cast<void**>(service.GetAddressOf())))) {
        return false;
    }
    VARIANT empty;
    VariantInit(&empty);
    ComPtr<ITaskFolder> folder;
    BSTR root = SysAllocString(L"\\");
    BSTR taskName = SysAllocString(name.c_str());
    ComPtr<IRegisteredTask> task;
    const bool found = SUCCEEDED(service->Connect(empty, empty, empty, empty)) &&
                       SUCCEEDED(service->GetFolder(root, folder.GetAddressOf())) &&
                       SUCCEEDED(folder->GetTask(taskName, task.GetAddressOf()));
    SysFreeString(root);
    SysFreeString(taskName);
    return found;
}

// From Windows Vista on the reminder is a logon task; the Run key stays untouched.
TEST(StartupReminder, OnVistaAndLaterItIsALogonTaskForEveryUser) {
    ASSERT_GE(GetWindowsMajorVersion(), 6u) << "Wine reports Windows 7 unless told otherwise";
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    RecordingLogonTaskService recorder;

    EXPECT_EQ(SetStartupReminder(true), 1);
    ASSERT_EQ(recorder.registered.size(), 1u);
    const LogonTaskDefinition& task = recorder.registered[0];
    EXPECT_EQ(task.name, L"halvenorRunAtStartup");
    EXPECT_EQ(task.author, L"Brennavik");
    EXPECT_EQ(task.programPath, ThisProgram());
    EXPECT_EQ(task.arguments, L"-rem");
    EXPECT_EQ(task.startDelay, L"PT5S");
    EXPECT_EQ(task.executionTimeLimit, L"PT0S");
    EXPECT_EQ(task.groupSid, L"S-1-5-32-545");
    EXPECT_TRUE(task.highestRunLevel);

    EXPECT_EQ(SetStartupReminder(false), 1);
    EXPECT_EQ(recorder.deleted, std::vector<std::wstring>{L"halvenorRunAtStartup"});
    EXPECT_EQ(recorder.registered.size(), 1u);
    EXPECT_FALSE(ReadRunValue().has_value());
}

// Requests made in the background come out in order, the last one made wins, and
// a request made directly afterwards is never overtaken by one of them.
TEST(StartupReminder, BackgroundRequestsEndInTheLastWish) {
    ScopedRegistryRoots roots;
    ASSERT_TRUE(roots.Active());
    const struct {
        const char* name;
        std::vector<bool> background;
        std::optional<bool> directAfterwards;
        bool finallyRegistered;
    } cases[] = {
        {"on", {true}, std::nullopt, true},
        {"on, off", {true, false}, std::nullopt, false},
        {"off, on, off, on", {false, true, false, true}, std::nullopt, true},
        {"on, then off directly", {true, true}, false, false},
        {"off, then on directly", {false}, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingLogonTaskService recorder;
        for (bool on : c.background) SetStartupReminderInBackground(on);
        if (c.directAfterwards) SetStartupReminder(*c.directAfterwards);
        WaitForStartupReminderRequests();
        ASSERT_FALSE(recorder.steps.empty());
        EXPECT_EQ(recorder.steps.back(), c.finallyRegistered);
        EXPECT_LE(recorder.steps.size(), c.background.size() + (c.directAfterwards ? 1 : 0));
    }
}

// Wine's Task Scheduler 2.0 builds no logon trigger: the reminder must then not be
// registered half-built, and must not leave an older one behind either.
TEST(StartupReminder, ASchedulerWithoutLogonTriggersKeepsNoTask) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    EXPECT_FALSE(CreateStartupReminderTask());
    EXPECT_FALSE(LogonTaskExists(kStartupReminderTaskName));
    DeleteStartupReminderTask();
    EXPECT_FALSE(LogonTaskExists(kStartupReminderTaskName));
    CoUninitialize();
}

// Before Windows Vista the reminder is a Run value. A program of its own is told by
// Wine that it runs on Windows XP.
TEST(StartupReminder, BeforeVistaItIsAQuotedRunValue) {
    const std::wstring probe = WindowsPathFromHost(HALVENOR_REMINDER_PROBE_HOST_PATH);
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\startup_reminder_probe.exe";
    HKEY settings = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, appDefaults.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &settings,
                              nullptr),
              ERROR_SUCCESS);
    const wchar_t version[] = L"winxp";
    RegSetValueExW(settings, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof(version));
    RegCloseKey(settings);

    const std::wstring probeCall = L"\"" + probe + L"\" ";
    struct Step {
        const wchar_t* argument;
        std::optional<std::wstring> runValue;
    } steps[] = {
        {L"off", std::nullopt},  // nothing to remove: nothing changes
        {L"on", L"\"" + probe + L"\" -rem"},
        {L"on", L"\"" + probe + L"\" -rem"},
        {L"off", std::nullopt},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(RunProgramAndWait(probeCall + step.argument), std::optional<DWORD>(5u)) << "Windows XP is 5.1";
        EXPECT_EQ(ReadRunValue(), step.runValue) << std::wstring(step.argument).size();
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, appDefaults.c_str());
}

}  // namespace
