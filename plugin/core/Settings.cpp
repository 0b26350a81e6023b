// The settings record: its field table (defaults and the ranges enforced at load), loading with upgrade and
// the move of an older file, saving, and the link to the map application's notices.
#include "plugin/core/Settings.h"

#include <cmath>
#include <cstring>

#include "plugin/core/DlgHint.h"
#include "plugin/core/HostEnv.h"
#include "plugin/arxutil/AppDirectoryUtil.h"
#include "plugin/cutil/cutil.h"
#include "plugin/maplink/mapapp.h"

CSettingsRecord g_Settings = {};
CString g_strSettingsPath;
CString g_strMapTempRoot;

void ResetSettingsState() {
    g_Settings = CSettingsRecord{};
    g_strSettingsPath.Empty();
    g_strMapTempRoot.Empty();
}

namespace {

const char16_t* const kSettingsFileName = u"\\TarnArx_setting.ini";
const char16_t* const kOldSettingsFileName = u"\\setting.ini";
const char16_t* const kSectionRecord = u"TarnArx";
const char16_t* const kKeyRecord = u"ini";
const char16_t* const kSectionTempPath = u"TempPath";
const char16_t* const kKeyTempPath = u"MapTemp";
constexpr DWORD kPathUnits = 260;
constexpr int kMaxUtf8Path = 1000;

enum class FieldKind { U8, I32, U32, F64 };

// One field of the record. At load a value that fails valid() goes back to the default (hand-edited or
// damaged files must not reach the level tables or the icon placement); zeroIsDefault marks the fields
// whose 0 stands for "not set yet".
struct SettingsField {
    const char* name;
    size_t offset;
    FieldKind kind;
    double defaultValue;
    bool zeroIsDefault;
    bool (*valid)(double value);
};

bool AnyValue(double) {
    return true;
}
bool PositiveScale(double v) {
    return std::isfinite(v) && v > 0.0;
}
bool IconSize(double v) {
    return v == 240 || v == 120 || v == 60 || v == 30 || v == 15;
}
bool MaxLevel(double v) {
    return v >= 16 && v <= 28;
}
bool TextLevel(double v) {
    return v >= 0 && v <= 28;
}
bool FollowMode(double v) {
    return v >= 0 && v <= 3;
}

#define FIELD(member, kind, def, zero, valid)                                         \
    SettingsField {                                                                   \
#member, offsetof(CSettingsRecord, member), FieldKind::kind, def, zero, valid \
    }

const SettingsField kFields[] = {
    FIELD(m_bAutoSync, U8, 0, false, AnyValue),
    FIELD(m_dViewScale1, F64, 1.0, true, PositiveScale),
    FIELD(m_dViewScale2, F64, 2.0, true, PositiveScale),
    FIELD(m_bPointAsIcon, U8, 0, false, AnyValue),
    FIELD(m_nRoundedValue, I32, 1000, false, AnyValue),
    FIELD(m_nIconSize, I32, 60, false, IconSize),
    FIELD(m_nMaxLevel, I32, 20, true, MaxLevel),
    FIELD(m_nMatchZoomFactor, I32, 0, false, AnyValue),
    FIELD(m_nColorByLayer, I32, 0, false, AnyValue),
    FIELD(m_nTextLevel, I32, 18, false, TextLevel),
    FIELD(m_nVersion, U32, kPluginVersion, false, AnyValue),
    FIELD(m_nViewFollowMode, I32, 0, false, FollowMode),
    FIELD(m_bHintMapTooOld, U8, 1, false, AnyValue),
    FIELD(m_bHintPluginUpdate, U8, 1, false, AnyValue),
    FIELD(m_bHideSkippedList, U8, 0, false, AnyValue),
    FIELD(m_bDblClickProperty, U8, 0, false, AnyValue),
    FIELD(m_bLoadWithHost, U8, 0, false, AnyValue),
    FIELD(m_bOnlineMap, U8, 0, false, AnyValue),
    FIELD(m_nAnnouncedMapVersion, U32, 0, false, AnyValue),
    FIELD(m_nAnnouncedPluginVersion, U32, 0, false, AnyValue),
};

#undef FIELD

double ReadField(const CSettingsRecord& record, const SettingsField& field) {
    const auto* at = reinterpret_cast<const BYTE*>(&record) + field.offset;
    switch (field.kind) {
        case FieldKind::U8:
            return *at;
        case FieldKind::I32: {
            int32_t v = 0;
            std::memcpy(&v, at, sizeof v);
            return v;
        }
        case FieldKind::U32: {
            uint32_t v = 0;
            std::memcpy(&v, at, sizeof v);
            return v;
        }
        case FieldKind::F64: {
            double v = 0;
            std::memcpy(&v, at, sizeof v);
            return v;
        }
    }
    return 0;
}

void WriteField(CSettingsRecord& record, const SettingsField& field, double value) {
    auto* at = reinterpret_cast<BYTE*>(&record) + field.offset;
    switch (field.kind) {
        case FieldKind::U8:
            *at = static_cast<BYTE>(value);
            break;
        case FieldKind::I32: {
            const auto v = static_cast<int32_t>(value);
            std::memcpy(at, &v, sizeof v);
            break;
        }
        case FieldKind::U32: {
            const auto v = static_cast<uint32_t>(value);
            std::memcpy(at, &v, sizeof v);
            break;
        }
        case FieldKind::F64:
            std::memcpy(at, &value, sizeof value);
            break;
    }
}

// The record of a first run: every field at its default, the unused bytes 0.
CSettingsRecord DefaultRecord() {
    CSettingsRecord record;
    std::memset(&record, 0, sizeof record);
    for (const SettingsField& field : kFields) {
        WriteField(record, field, field.defaultValue);
    }
    return record;
}

// Records written before this version lack the notice switches, the text level and the second scale.
bool Upgrade(CSettingsRecord& record) {
    if (record.m_nVersion >= kPluginVersion) {
        return false;
    }
    if (record.m_nVersion == 0) {
        record.m_dViewScale2 = 2.0;
    }
    record.m_bHintMapTooOld = 1;
    record.m_bHintPluginUpdate = 1;
    record.m_nVersion = kPluginVersion;
    record.m_nTextLevel = 18;
    record.m_nColorByLayer = 0;
    return true;
}

// Zero fields that stand for "not set" and values outside their range go back to their defaults.
bool ApplyDefaults(CSettingsRecord& record) {
    bool changed = false;
    for (const SettingsField& field : kFields) {
        const double value = ReadField(record, field);
        if ((field.zeroIsDefault && value == 0.0) || !field.valid(value)) {
            WriteField(record, field, field.defaultValue);
            changed = true;
        }
    }
    return changed;
}

bool ToUtf8Path(const CString& path, char (&out)[kMaxUtf8Path]) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, path.GetString(), -1, out, kMaxUtf8Path, nullptr, nullptr);
    return n > 0;
}

// A file whose size can be read exists, even when empty.
int32_t FileSize(const CString& path) {
    char utf8[kMaxUtf8Path];
    return ToUtf8Path(path, utf8) ? GetFileSizeU8(utf8) : -1;
}

// Steps shared by an existing file and a moved one: the record, its upgrade, the defaults.
void ReadRecord(const CString& file) {
    CSettingsRecord record;
    if (GetPrivateProfileStructW(kSectionRecord, kKeyRecord, &record, sizeof record, file) == FALSE) {
        // Missing, of another size or with a bad sum: nothing of it can be trusted.
        g_Settings = DefaultRecord();
        SaveSettings();
        return;
    }
    g_Settings = record;
    const bool upgraded = Upgrade(g_Settings);
    const bool defaulted = ApplyDefaults(g_Settings);
    if (upgraded || defaulted) {
        SaveSettings();
    }
}

// The older file lay beside the module; a rename can't cross volumes, so a copy stands in for it.
bool MoveOldSettings(const CString& from, const CString& to) {
    if (MoveFileW(from, to) != FALSE) {
        return true;
    }
    if (CopyFileW(from, to, FALSE) == FALSE) {
        return false;
    }
    DeleteFileW(from);
    return true;
}

void SaveSettingsHook() {
    SaveSettings();
}

int HintDialogHook(const CString& text, int* doNotShow) {
    return CDlgHint::ShowHint(text, doNotShow);
}

// The notices read and write their switches and announced versions in the record itself.
void JoinMapNotices() {
    MapNoticeHooks hooks;
    hooks.m_pTooOldHint = &g_Settings.m_bHintMapTooOld;
    hooks.m_pUpdateHint = &g_Settings.m_bHintPluginUpdate;
    hooks.m_pLoadWithHost = &g_Settings.m_bLoadWithHost;
    hooks.m_pAnnouncedMapVersion = &g_Settings.m_nAnnouncedMapVersion;
    hooks.m_pAnnouncedPluginVersion = &g_Settings.m_nAnnouncedPluginVersion;
    hooks.m_pfnSaveSettings = &SaveSettingsHook;
    hooks.m_pfnRegisterDemandLoad = &RegisterDemandLoad;
    hooks.m_pfnUnregisterDemandLoad = &UnregisterDemandLoad;
    hooks.m_pfnHintDialog = &HintDialogHook;
    SetMapNoticeHooks(hooks);
}

}  // namespace

void LoadSettings() {
    CString folder = GetLocalAppDataFolder();
    if (folder.IsEmpty()) {
        // Without it the file would land at the root of the drive.
        folder = CAppDirectoryUtil::GetCurrentDirectory(AfxGetInstanceHandle());
    }
    g_strSettingsPath = folder + kSettingsFileName;

    if (FileSize(g_strSettingsPath) >= 0) {
        WCHAR root[kPathUnits] = {};
        const CString temp = GetTempFolder();
        GetPrivateProfileStringW(kSectionTempPath, kKeyTempPath, temp, root, kPathUnits, g_strSettingsPath);
        // Made full once: a relative root would follow the current folder, and "C:" alone is not "C:\\".
        g_strMapTempRoot = FullCacheRoot(CString(root));
        if (g_strMapTempRoot.IsEmpty()) {
            g_strMapTempRoot =
                FullCacheRoot(temp);  // an empty root would put the cache at the root of the drive
        }
        ReadRecord(g_strSettingsPath);
    } else {
        const CString pluginFolder = CAppDirectoryUtil::GetCurrentDirectory(AfxGetInstanceHandle());
        const CString oldPath = pluginFolder + kOldSettingsFileName;
        if (!pluginFolder.IsEmpty() && FileSize(oldPath) > 0) {
            ReadRecord(MoveOldSettings(oldPath, g_strSettingsPath) ? g_strSettingsPath : oldPath);
        } else {
            g_Settings = DefaultRecord();
            SaveSettings();
        }
        g_strMapTempRoot = FullCacheRoot(GetTempFolder());
        SaveMapTempPath();
    }
    JoinMapNotices();
}

bool SaveSettings() {
    if (g_strSettingsPath.IsEmpty()) {
        return false;
    }
    return WritePrivateProfileStructW(kSectionRecord, kKeyRecord, &g_Settings, sizeof g_Settings,
                                      g_strSettingsPath) != FALSE;
}

bool SaveMapTempPath() {
    if (g_strSettingsPath.IsEmpty()) {
        return false;
    }
    return WritePrivateProfileStringW(kSectionTempPath, kKeyTempPath, g_strMapTempRoot, g_strSettingsPath) !=
           FALSE;
}
