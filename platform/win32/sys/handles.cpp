// Kernel objects (events and the process handles shell execution hands out) and shell execution.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>

#include "platform/win32/core/testhooks.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

struct Event {
    bool manualReset = false;
    bool signalled = false;
    std::u16string name;
};

// A handle refers to an event (shared between handles of the same named event) or to a process, which
// stays unsignalled: nothing here ever ends.
struct KernelObject {
    std::shared_ptr<Event> event;
    DWORD processId = 0;  // a process opened by its id: alive while the system knows it
};

struct State {
    std::map<HANDLE, KernelObject> handles;
    uintptr_t nextHandle = 0x2000;
    size_t deadlockedWaits = 0;
    std::vector<platform::ShellExecuteRecord> records;
    platform::ShellExecuteHook hook;
};

std::recursive_mutex g_mutex;
State* g_state = nullptr;

// Call with g_mutex held.
State& S() {
    if (g_state == nullptr) {
        g_state = new State;
        platform::RegisterReset("win32.sys.handles", [] {
            std::lock_guard<std::recursive_mutex> lock(g_mutex);
            *g_state = State{};
        });
    }
    return *g_state;
}

HANDLE NewHandle(KernelObject object) {
    State& s = S();
    const HANDLE handle = reinterpret_cast<HANDLE>(s.nextHandle);
    s.nextHandle += 4;
    s.handles[handle] = std::move(object);
    return handle;
}

Event* EventOf(HANDLE handle) {
    auto it = S().handles.find(handle);
    return it == S().handles.end() ? nullptr : it->second.event.get();
}

std::u16string Text(LPCWSTR text) {
    return text != nullptr ? std::u16string(text) : std::u16string();
}

// Records the call and asks the hook; 0 on success, otherwise the error to report.
DWORD Execute(const platform::ShellExecuteRecord& record) {
    platform::ShellExecuteHook hook;
    {
        std::lock_guard<std::recursive_mutex> lock(g_mutex);
        S().records.push_back(record);
        hook = S().hook;
    }
    // The hook runs unlocked: it may start the map application, which may use any of these services.
    return hook ? hook(record) : 0;
}

}  // namespace

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES /*security*/, BOOL manualReset, BOOL initialState, LPCWSTR name) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (name != nullptr && name[0] != 0) {
        for (const auto& [handle, object] : S().handles) {
            if (object.event && object.event->name == name) {
                const HANDLE again = NewHandle(object);
                SetLastError(ERROR_ALREADY_EXISTS);
                return again;
            }
        }
    }
    auto event = std::make_shared<Event>();
    event->manualReset = manualReset != FALSE;
    event->signalled = initialState != FALSE;
    event->name = Text(name);
    SetLastError(ERROR_SUCCESS);
    return NewHandle(KernelObject{event});
}

BOOL SetEvent(HANDLE handle) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    Event* event = EventOf(handle);
    if (event == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->signalled = true;
    return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    Event* event = EventOf(handle);
    if (event == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->signalled = false;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = S().handles.find(handle);
    if (it == S().handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    Event* event = it->second.event.get();
    if (event != nullptr && event->signalled) {
        if (!event->manualReset) {
            event->signalled = false;
        }
        return WAIT_OBJECT_0;
    }
    if (milliseconds == INFINITE) {
        // Only this thread could signal it, so the real call would never return.
        ++S().deadlockedWaits;
        SetLastError(ERROR_POSSIBLE_DEADLOCK);
        return WAIT_FAILED;
    }
    return WAIT_TIMEOUT;
}

DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(::getpid());
}

HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) {
    (void)access;
    (void)inherit;
    // A process the system does not know (or id 0, the idle process) cannot be opened.
    if (processId == 0 || processId > static_cast<DWORD>(INT32_MAX) ||
        (::kill(static_cast<pid_t>(processId), 0) != 0 && errno != EPERM)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    KernelObject object;
    object.processId = processId;
    return NewHandle(std::move(object));
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = S().handles.find(process);
    if (it == S().handles.end() || it->second.event != nullptr || exitCode == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const DWORD id = it->second.processId;
    // The exit code itself is not kept here: an ended process reports 0.
    const bool alive = id == 0 || ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
    *exitCode = alive ? STILL_ACTIVE : 0;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (S().handles.erase(handle) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        INT show) {
    platform::ShellExecuteRecord record;
    record.verb = Text(verb);
    record.file = Text(file);
    record.parameters = Text(parameters);
    record.directory = Text(directory);
    record.show = show;
    record.owner = owner;
    const DWORD error = Execute(record);
    // The result is an error number up to 32, or a value above 32 on success.
    const uintptr_t result = error == 0 ? 42 : (error <= 32 ? error : ERROR_FILE_NOT_FOUND);
    return reinterpret_cast<HINSTANCE>(result);
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
    if (info == nullptr || info->cbSize != sizeof(SHELLEXECUTEINFOW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->hProcess = nullptr;
    platform::ShellExecuteRecord record;
    record.verb = Text(info->lpVerb);
    record.file = Text(info->lpFile);
    record.parameters = Text(info->lpParameters);
    record.directory = Text(info->lpDirectory);
    record.show = info->nShow;
    record.extended = true;
    record.mask = info->fMask;
    record.owner = info->hwnd;
    const DWORD error = Execute(record);
    if (error != 0) {
        info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(error <= 32 ? error : 2));
        SetLastError(error);
        return FALSE;
    }
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(42));
    if ((info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0) {
        std::lock_guard<std::recursive_mutex> lock(g_mutex);
        info->hProcess = NewHandle(KernelObject{});
    }
    return TRUE;
}

namespace platform {

void SetShellExecuteHook(ShellExecuteHook hook) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    S().hook = std::move(hook);
}

const std::vector<ShellExecuteRecord>& ShellExecuteRecords() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return S().records;
}

size_t OpenKernelHandleCount() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return S().handles.size();
}

size_t DeadlockedWaitCount() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return S().deadlockedWaits;
}

}  // namespace platform
