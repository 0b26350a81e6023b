#include "platform/arx/aced/acededitor.h"

#include <algorithm>
#include <memory>

#include "platform/arx/aced/sysvar.h"
#include "platform/win32/core/testhooks.h"
#include "platform/win32/core/unicode.h"

void AcEditorReactor::commandWillStart(const ACHAR*) {}
void AcEditorReactor::commandEnded(const ACHAR*) {}
void AcEditorReactor::commandCancelled(const ACHAR*) {}
void AcEditorReactor::commandFailed(const ACHAR*) {}
void AcEditorReactor::unknownCommand(const ACHAR*, AcDbVoidPtrArray*) {}
void AcEditorReactor::beginDoubleClick(const AcGePoint3d&) {}
void AcEditorReactor::beginSave(AcDbDatabase*, const ACHAR*) {}
void AcEditorReactor::saveComplete(AcDbDatabase*, const ACHAR*) {}
void AcEditorReactor::beginClose(AcDbDatabase*) {}
void AcEditorReactor::viewChanged() {}
void AcEditorReactor::pickfirstModified() {}

namespace {

struct CommandGroup {
    std::u16string name;
    std::vector<std::unique_ptr<AcEdCommand>> commands;
};

struct EditorState {
    std::vector<AcEditorReactor*> reactors;
    std::vector<CommandGroup> groups;  // registration order
    int hostDoubleClickEdits = 0;
};

EditorState& State() {
    static EditorState state;
    static const bool registered =
        (platform::RegisterReset("aced.editor", [] { State() = EditorState(); }), true);
    (void)registered;
    return state;
}

bool Empty(const ACHAR* text) {
    return text == nullptr || *text == u'\0';
}

CommandGroup* FindGroup(const ACHAR* name) {
    for (CommandGroup& group : State().groups) {
        if (platform::EqualsNoCase(group.name, name)) {
            return &group;
        }
    }
    return nullptr;
}

AcEdCommand* Lookup(const ACHAR* name, bool global) {
    if (Empty(name)) {
        return nullptr;
    }
    auto& groups = State().groups;
    for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
        for (const auto& command : group->commands) {
            if (platform::EqualsNoCase(global ? command->globalName() : command->localName(), name)) {
                return command.get();
            }
        }
    }
    return nullptr;
}

}  // namespace

void AcEditor::addReactor(AcEditorReactor* reactor) {
    auto& reactors = State().reactors;
    if (reactor != nullptr && std::find(reactors.begin(), reactors.end(), reactor) == reactors.end()) {
        reactors.push_back(reactor);
    }
}

void AcEditor::removeReactor(AcEditorReactor* reactor) {
    auto& reactors = State().reactors;
    reactors.erase(std::remove(reactors.begin(), reactors.end(), reactor), reactors.end());
}

AcEditor* acedEditorPtr() {
    static AcEditor editor;
    return &editor;
}

Acad::ErrorStatus AcEdCommandStack::addCommand(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName,
                                               const ACHAR* cmdLocalName, Adesk::Int32 commandFlags,
                                               AcRxFunctionPtr functionAddr, AcEdUIContext* /*uiContext*/,
                                               int fcode, HINSTANCE resourceHandle, AcEdCommand** cmdPtrRet) {
    if (Empty(cmdGroupName) || Empty(cmdGlobalName) || functionAddr == nullptr) {
        return Acad::eInvalidInput;
    }
    const ACHAR* local = Empty(cmdLocalName) ? cmdGlobalName : cmdLocalName;
    CommandGroup* group = FindGroup(cmdGroupName);
    if (group == nullptr) {
        State().groups.push_back(CommandGroup{cmdGroupName, {}});
        group = &State().groups.back();
    }
    for (const auto& command : group->commands) {
        if (platform::EqualsNoCase(command->globalName(), cmdGlobalName) ||
            platform::EqualsNoCase(command->localName(), local)) {
            return Acad::eDuplicateKey;
        }
    }
    group->commands.push_back(std::make_unique<AcEdCommand>(group->name, cmdGlobalName, local, commandFlags,
                                                            functionAddr, fcode, resourceHandle));
    if (cmdPtrRet != nullptr) {
        *cmdPtrRet = group->commands.back().get();
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcEdCommandStack::removeCmd(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName) {
    CommandGroup* group = Empty(cmdGroupName) ? nullptr : FindGroup(cmdGroupName);
    if (group == nullptr || Empty(cmdGlobalName)) {
        return Acad::eKeyNotFound;
    }
    auto& commands = group->commands;
    for (auto it = commands.begin(); it != commands.end(); ++it) {
        if (platform::EqualsNoCase((*it)->globalName(), cmdGlobalName)) {
            commands.erase(it);
            return Acad::eOk;
        }
    }
    return Acad::eKeyNotFound;
}

Acad::ErrorStatus AcEdCommandStack::removeGroup(const ACHAR* groupName) {
    auto& groups = State().groups;
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        if (!Empty(groupName) && platform::EqualsNoCase(it->name, groupName)) {
            groups.erase(it);
            return Acad::eOk;
        }
    }
    return Acad::eKeyNotFound;
}

AcEdCommand* AcEdCommandStack::lookupGlobalCmd(const ACHAR* globalName) {
    return Lookup(globalName, true);
}

AcEdCommand* AcEdCommandStack::lookupLocalCmd(const ACHAR* localName) {
    return Lookup(localName, false);
}

AcEdCommand* AcEdCommandStack::lookupCmd(const ACHAR* name, bool globalFlag) {
    return Lookup(name, globalFlag);
}

AcEdCommandStack* acedRegCmdsPtr() {
    static AcEdCommandStack stack;
    return &stack;
}

namespace platform {

void ForEachEditorReactor(const std::function<void(AcEditorReactor*)>& notify) {
    // A copy: a handler may add or remove reactors; removed ones are not called any more.
    const std::vector<AcEditorReactor*> snapshot = State().reactors;
    for (AcEditorReactor* reactor : snapshot) {
        const auto& live = State().reactors;
        if (std::find(live.begin(), live.end(), reactor) != live.end()) {
            notify(reactor);
        }
    }
}

size_t EditorReactorCount() {
    return State().reactors.size();
}

std::vector<const AcEdCommand*> RegisteredCommands() {
    std::vector<const AcEdCommand*> all;
    for (const CommandGroup& group : State().groups) {
        for (const auto& command : group.commands) {
            all.push_back(command.get());
        }
    }
    return all;
}

void FireDoubleClick(const AcGePoint3d& point) {
    ForEachEditorReactor([&](AcEditorReactor* r) { r->beginDoubleClick(point); });
    SysVarValue value;
    if (CurrentSysVars().Lookup(u"DBLCLKEDIT", value) && value.shortValue == 1) {
        ++State().hostDoubleClickEdits;
    }
}

int HostDoubleClickEdits() {
    return State().hostDoubleClickEdits;
}

}  // namespace platform
