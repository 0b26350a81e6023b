// The database's internal state, shared by the database, its undo journal and its transactions (not part of
// the host's surface).
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/arx/acdb/dbdatabase.h"
#include "platform/arx/acdb/dbinternal.h"
#include "platform/arx/acdb/dbundo.h"

struct AcDbDatabase::Impl {
    AcDbDatabase* self = nullptr;
    std::map<Adesk::UInt64, std::unique_ptr<platform::detail::DbSlot>> slots;  // by handle
    Adesk::UInt64 seed = 1;
    AcDbObjectId blockTable, layerTable, linetypeTable, textStyleTable, regAppTable, viewportTable, nod;
    AcDbObjectId clayer, celtype, textstyle, byLayer, byBlock, continuous, layer0;
    AcCmColor cecolor;
    mutable std::vector<AcDbDatabaseReactor*> reactors;
    std::u16string filename;
    bool constructing = false;
    platform::detail::UndoJournal journal;
    int notifying = 0;              // database notifications under way (nested)
    const char* notification = "";  // the innermost one's name
    // Open transactions, innermost last: where the journal and the held notifications stood at each start.
    struct TransactionMark {
        platform::detail::UndoJournal::Mark journal;
        size_t held = 0;
    };
    std::vector<TransactionMark> transactions;
    // Notifications held back to the outermost transaction's end
    // (platform::DeferNotificationsToTransactionEnd).
    std::vector<platform::detail::HeldNotification> held;
    // platform::KeepFileRecordHandle: by owner's handle and place.
    struct FileRecordKey {
        std::uint64_t owner = 0;
        std::uint32_t place = 0;
        bool operator==(const FileRecordKey&) const = default;
    };
    struct FileRecordHash {
        size_t operator()(const FileRecordKey& key) const {
            return std::hash<std::uint64_t>()(key.owner * 0x9E3779B97F4A7C15ull ^ key.place);
        }
    };
    std::unordered_map<FileRecordKey, std::uint64_t, FileRecordHash> fileRecords;

    // The group a change goes to: none while the default contents are built.
    platform::detail::UndoGroup* openGroup() { return constructing ? nullptr : journal.openGroup(); }

    template <class Fire>
    void fire(const char* name, AcDbObject* object, Fire&& call) {
        if (reactors.empty()) {
            return;  // nobody to tell: the flags set below would only be cleared again
        }
        platform::detail::DbSlot* slot = object->tarnSlot();
        const bool wasNotifying = slot != nullptr && slot->notifying;
        if (slot != nullptr) {
            slot->notifying = true;
        }
        ++notifying;
        const char* outer = notification;
        notification = name;
        const std::vector<AcDbDatabaseReactor*> copy = reactors;  // reactors may detach while notified
        for (AcDbDatabaseReactor* reactor : copy) {
            if (std::find(reactors.begin(), reactors.end(), reactor) != reactors.end()) {
                call(reactor);
            }
        }
        notification = outer;
        --notifying;
        if (slot != nullptr) {
            slot->notifying = wasNotifying;
        }
    }
};
