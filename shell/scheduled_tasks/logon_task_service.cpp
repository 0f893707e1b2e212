#include "shell/scheduled_tasks/logon_task_service.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>
#include <wrl/client.h>

#include <atomic>

#include "foundation/daily_log.h"
#include "platform/com_apartment.h"
#include "platform/com_objects.h"

namespace wrl = Microsoft::WRL;

// mingw-w64's taskschd.h declares every trigger but the logon trigger.
MIDL_INTERFACE("72dade38-fae4-4b3e-baf4-5d009af02b1c")
ILogonTrigger : public ITrigger {
    virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR* user) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
__CRT_UUID_DECL(ILogonTrigger, 0x72dade38, 0xfae4, 0x4b3e, 0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b, 0x1c)

namespace {

// The service of this machine and the current user, with its root folder.
HRESULT OpenRootFolder(wrl::ComPtr<ITaskService>& service, wrl::ComPtr<ITaskFolder>& folder) {
    HRESULT hr = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                  reinterpret_cast<void**>(service.GetAddressOf()));
    if (FAILED(hr)) return hr;
    VARIANT empty;
    VariantInit(&empty);
    if (FAILED(hr = service->Connect(empty, empty, empty, empty))) return hr;
    ScopedBstr root(L"\\");
    return service->GetFolder(root.Get(), folder.GetAddressOf());
}

// Who runs it, who wrote it and how it may run. The run level is not essential: a
// reminder that runs without the highest rights still reminds, so its failure is
// logged and the task goes on.
HRESULT DescribeTask(ITaskDefinition* definition, const LogonTaskDefinition& task) {
    wrl::ComPtr<IPrincipal> principal;
    if (SUCCEEDED(definition->get_Principal(principal.GetAddressOf()))) {
        const HRESULT runLevel =
            principal->put_RunLevel(task.highestRunLevel ? TASK_RUNLEVEL_HIGHEST : TASK_RUNLEVEL_LUA);
        if (FAILED(runLevel)) WriteLogLine(L"Start-up reminder: run level not set (0x%08lX)", runLevel);
        definition->put_Principal(principal.Get());
    }
    wrl::ComPtr<IRegistrationInfo> registration;
    if (SUCCEEDED(definition->get_RegistrationInfo(registration.GetAddressOf()))) {
        ScopedBstr author(task.author);
        registration->put_Author(author.Get());
    }
    wrl::ComPtr<ITaskSettings> settings;
    HRESULT hr = definition->get_Settings(settings.GetAddressOf());
    if (FAILED(hr)) return hr;
    ScopedBstr limit(task.executionTimeLimit);
    settings->put_ExecutionTimeLimit(limit.Get());
    settings->put_AllowDemandStart(VARIANT_TRUE);
    settings->put_AllowHardTerminate(VARIANT_TRUE);
    return settings->put_StartWhenAvailable(VARIANT_TRUE);
}

HRESULT AddLogonTrigger(ITaskDefinition* definition, const LogonTaskDefinition& task) {
    wrl::ComPtr<ITriggerCollection> triggers;
    HRESULT hr = definition->get_Triggers(triggers.GetAddressOf());
    if (FAILED(hr)) return hr;
    wrl::ComPtr<ITrigger> trigger;
    if (FAILED(hr = triggers->Create(TASK_TRIGGER_LOGON, trigger.GetAddressOf()))) return hr;
    wrl::ComPtr<ILogonTrigger> logon;
    if (FAILED(hr = trigger.As(&logon))) return hr;
    ScopedBstr delay(task.startDelay);
    if (FAILED(hr = logon->put_Delay(delay.Get()))) return hr;
    ScopedBstr id(task.name);
    return logon->put_Id(id.Get());
}

HRESULT AddExecAction(ITaskDefinition* definition, const LogonTaskDefinition& task) {
    wrl::ComPtr<IActionCollection> actions;
    HRESULT hr = definition->get_Actions(actions.GetAddressOf());
    if (FAILED(hr)) return hr;
    wrl::ComPtr<IAction> action;
    if (FAILED(hr = actions->Create(TASK_ACTION_EXEC, action.GetAddressOf()))) return hr;
    wrl::ComPtr<IExecAction> exec;
    if (FAILED(hr = action.As(&exec))) return hr;
    ScopedBstr path(task.programPath);
    if (FAILED(hr = exec->put_Path(path.Get()))) return hr;
    ScopedBstr arguments(task.arguments);
    return exec->put_Arguments(arguments.Get());
}

class SystemLogonTaskService : public LogonTaskService {
public:
    bool Register(const LogonTaskDefinition& task) override {
        ComApartment apartment(COINIT_APARTMENTTHREADED);
        wrl::ComPtr<ITaskService> service;
        wrl::ComPtr<ITaskFolder> folder;
        if (FAILED(OpenRootFolder(service, folder))) return false;
        ScopedBstr name(task.name);
        folder->DeleteTask(name.Get(), 0);

        wrl::ComPtr<ITaskDefinition> definition;
        if (FAILED(service->NewTask(0, definition.GetAddressOf()))) return false;
        // A task without its trigger or its action would never remind anyone; it is
        // not registered at all.
        if (FAILED(DescribeTask(definition.Get(), task))) return false;
        HRESULT hr = AddLogonTrigger(definition.Get(), task);
        if (FAILED(hr)) {
            WriteLogLine(L"Start-up reminder: no logon trigger (0x%08lX)", hr);
            return false;
        }
        if (FAILED(hr = AddExecAction(definition.Get(), task))) {
            WriteLogLine(L"Start-up reminder: no program to start (0x%08lX)", hr);
            return false;
        }

        VARIANT group;
        VariantInit(&group);
        group.vt = VT_BSTR;
        group.bstrVal = SysAllocString(task.groupSid.c_str());
        VARIANT noPassword;
        VariantInit(&noPassword);
        VARIANT noDescriptor;
        VariantInit(&noDescriptor);
        noDescriptor.vt = VT_BSTR;
        noDescriptor.bstrVal = SysAllocString(L"");
        wrl::ComPtr<IRegisteredTask> registered;
        hr = folder->RegisterTaskDefinition(name.Get(), definition.Get(), TASK_CREATE_OR_UPDATE, group, noPassword,
                                            TASK_LOGON_GROUP, noDescriptor, registered.GetAddressOf());
        VariantClear(&group);
        VariantClear(&noDescriptor);
        if (FAILED(hr)) WriteLogLine(L"Start-up reminder: task not registered (0x%08lX)", hr);
        return SUCCEEDED(hr);
    }

    void Delete(const std::wstring& name) override {
        ComApartment apartment(COINIT_APARTMENTTHREADED);
        wrl::ComPtr<ITaskService> service;
        wrl::ComPtr<ITaskFolder> folder;
        if (FAILED(OpenRootFolder(service, folder))) return;
        ScopedBstr taskName(name);
        folder->DeleteTask(taskName.Get(), 0);
    }
};

SystemLogonTaskService systemService;
std::atomic<LogonTaskService*> installed{nullptr};

}  // namespace

LogonTaskService& CurrentLogonTaskService() {
    LogonTaskService* service = installed.load();
    return service != nullptr ? *service : systemService;
}

void SetLogonTaskService(LogonTaskService* service) { installed.store(service); }
