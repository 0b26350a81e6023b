// Kernel objects (events, processes and the process handles shell execution hands out), process creation
// and shell execution.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"

#include "platform/win32/core/testhooks.h"
#include "platform/win32/sys/sys_api.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

struct Event {
    bool manualReset = false;
    bool signalled = false;
    std::u16string name;
};

// A program started by CreateProcessW: running until its status has been collected.
struct Process {
    pid_t pid = 0;
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
};

// A handle refers to an event (shared between handles of the same named event), to a started program
// (its process handle), or to nothing that ever ends (a thread handle, a process of shell execution).
struct KernelObject {
    std::shared_ptr<Event> event;
    std::shared_ptr<Process> process;
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
    return NewHandle(KernelObject{event, nullptr});
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

namespace {

DWORD StatusToExitCode(int status) {
    if (WIFEXITED(status)) {
        return static_cast<DWORD>(WEXITSTATUS(status));
    }
    return WIFSIGNALED(status) ? static_cast<DWORD>(128 + WTERMSIG(status)) : 1u;
}

// Collects the program's status when it has ended (waiting for it when asked); true once it has ended.
bool Reap(Process& process, bool block) {
    if (process.ended) {
        return true;
    }
    int status = 0;
    pid_t done = 0;
    do {
        done = waitpid(process.pid, &status, block ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == process.pid) {
        process.ended = true;
        process.exitCode = StatusToExitCode(status);
    } else if (done < 0) {
        process.ended = true;  // not ours to wait for any more
        process.exitCode = 1;
    }
    return process.ended;
}

DWORD WaitForProcess(const std::shared_ptr<Process>& process, DWORD milliseconds) {
    // Unlocked: the program may take long, and other threads use the other handles meanwhile.
    if (milliseconds == INFINITE) {
        Reap(*process, true);
        return WAIT_OBJECT_0;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!Reap(*process, false)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return WAIT_TIMEOUT;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return WAIT_OBJECT_0;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// The program name: up to the next quote when it starts with one, else up to the first blank; backslashes
// are kept as they are.
size_t ParseProgramName(const std::u16string& line, std::u16string& name) {
    size_t i = 0;
    if (i < line.size() && line[i] == u'"') {
        ++i;
        while (i < line.size() && line[i] != u'"') {
            name += line[i++];
        }
        if (i < line.size()) {
            ++i;
        }
    } else {
        while (i < line.size() && !IsBlank(line[i])) {
            name += line[i++];
        }
    }
    return i;
}

// The other arguments, by the C runtime's rules for backslashes and quotes.
void ParseArguments(const std::u16string& line, size_t i, std::vector<std::u16string>& args) {
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        if (i >= line.size()) {
            return;
        }
        std::u16string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            size_t backslashes = 0;
            while (i < line.size() && line[i] == u'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == u'"') {
                arg.append(backslashes / 2, u'\\');
                if (backslashes % 2 == 1) {
                    arg += u'"';
                    ++i;
                } else if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                    arg += u'"';  // "" inside quotes
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.append(backslashes, u'\\');
                if (i < line.size() && (quoted || !IsBlank(line[i]))) {
                    arg += line[i++];
                }
            }
        }
        args.push_back(std::move(arg));
    }
}

}  // namespace

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL, DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW,
                    LPPROCESS_INFORMATION info) {
    if (info == nullptr || creationFlags != 0 || environment != nullptr ||
        (currentDirectory != nullptr && currentDirectory[0] != 0) ||
        ((applicationName == nullptr || applicationName[0] == 0) &&
         (commandLine == nullptr || commandLine[0] == 0))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::u16string line = commandLine != nullptr ? std::u16string(commandLine) : std::u16string();
    std::u16string first;
    const size_t rest = ParseProgramName(line, first);
    std::vector<std::u16string> wideArgs{first};
    ParseArguments(line, rest, wideArgs);
    const std::u16string program =
        applicationName != nullptr && applicationName[0] != 0 ? applicationName : first;
    std::string path;
    bool search = false;
    const bool given = applicationName != nullptr && applicationName[0] != 0;
    if (!given && program.find_first_of(u"\\/:") == std::u16string::npos) {
        search = true;  // a bare name on the command line: along PATH
        bool ok = false;
        path = platform::Utf16ToUtf8(program, true, &ok);
        if (!ok) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    } else if (!platform::ToHostPath(program, path)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::vector<std::string> args;
    for (const std::u16string& wide : wideArgs) {
        bool ok = false;
        std::string utf8 = platform::Utf16ToUtf8(wide, true, &ok);
        if (!ok) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        args.push_back(std::move(utf8));
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = search ? posix_spawnp(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ)
                             : posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ);
    if (error != 0) {
        SetLastError(error == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // posix_spawn reports a program that could not be run only through its exit status (127).
    auto process = std::make_shared<Process>();
    process->pid = pid;
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    info->hProcess = NewHandle(KernelObject{nullptr, process});
    info->hThread = NewHandle(KernelObject{});
    info->dwProcessId = static_cast<DWORD>(pid);
    info->dwThreadId = static_cast<DWORD>(pid);
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode) {
    std::shared_ptr<Process> process;
    DWORD processId = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(g_mutex);
        auto it = S().handles.find(handle);
        if (it != S().handles.end()) {
            process = it->second.process;
            processId = it->second.processId;
        }
    }
    if (process == nullptr && exitCode != nullptr && processId != 0) {
        // A process opened by its id: the exit code itself is not kept here, an ended one reports 0.
        const bool alive = ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
        *exitCode = alive ? STILL_ACTIVE : 0;
        return TRUE;
    }
    if (process == nullptr || exitCode == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Reap(*process, false);
    *exitCode = process->exitCode;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::unique_lock<std::recursive_mutex> lock(g_mutex);
    auto it = S().handles.find(handle);
    if (it != S().handles.end() && it->second.process != nullptr) {
        const std::shared_ptr<Process> process = it->second.process;
        lock.unlock();
        return WaitForProcess(process, milliseconds);
    }
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

BOOL CloseHandle(HANDLE handle) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = S().handles.find(handle);
    if (it != S().handles.end() && it->second.process != nullptr) {
        Reap(*it->second.process, false);  // an ended program leaves nothing behind
    }
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
