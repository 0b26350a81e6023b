// The host in-process for end-to-end tests: started in the test's folder, on the virtual clock, with the
// console user answering from a queue.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "host/host.h"
#include "host/hostcmds.h"
#include "keep_drawings.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/core/Settings.h"
#include "platform/arx/arxheaders.h"
#include "platform/win32/core/clock.h"
#include "platform/win32/core/paths.h"
#include "platform/win32/core/unicode.h"
#include "support/testdirs.h"
#include "support/testfiles.h"

namespace e2e {

using tarntest::ReadFile;
using tarntest::WriteFile;

inline int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPluginState();
        dir = tarntest::TempDir();
        options.home = dir + "/home";
        options.out = &out;
        std::string error;
        ASSERT_TRUE(host.Start(options, &error)) << error;
    }
    void TearDown() override {
        KeepOpenDrawings();
        host.Stop();
        KeepDrawings(dir);
        EXPECT_EQ(host.Modules().Leftovers(), std::vector<std::string>());
        EXPECT_EQ(platform::ReactorViolations(), std::vector<std::string>());
        ResetPluginState();
    }

    // What the command line printed since the mark.
    std::string Printed() const { return platform::CommandLineUtf8().substr(mark); }
    void Mark() { mark = platform::CommandLineUtf8().size(); }

    // Runs a line with answer lines queued for its prompts.
    platform::CommandOutcome Run(const std::string& line, std::initializer_list<std::string> answers = {}) {
        for (const std::string& answer : answers) {
            host.Answer(answer);
        }
        return host.Run(line);
    }

    // The settings of a user who works with auto-sync on (the rest as the settings dialog leaves them).
    static CSettingsRecord AutoSyncSettings() {
        CSettingsRecord record{};
        record.m_bAutoSync = 1;
        record.m_dViewScale1 = 1.0;
        record.m_dViewScale2 = 2.0;
        record.m_nRoundedValue = 1000;
        record.m_nIconSize = 60;
        record.m_nMaxLevel = 20;
        record.m_nTextLevel = 18;
        record.m_nVersion = kPluginVersion;
        return record;
    }
    std::u16string SettingsFile() const {
        return platform::ToWindowsPath(host.Options().localAppDataFolder + "/TarnArx_setting.ini");
    }
    // The record written where the plug-in reads it at its next load.
    void WriteSettings(const CSettingsRecord& record) {
        ASSERT_TRUE(WritePrivateProfileStructW(u"TarnArx", u"ini", const_cast<CSettingsRecord*>(&record),
                                               sizeof record, SettingsFile().c_str()));
    }
    // The plug-in loaded once to write its settings, then again with the online base map on (with the
    // follow mode and highest level given): its first load shows the map application's own level about the
    // reference point.
    void LoadWithBaseMap(int followMode = 0, int maxLevel = 20) {
        std::string error;
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
        ASSERT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
        CSettingsRecord record{};
        ASSERT_TRUE(
            GetPrivateProfileStructW(u"TarnArx", u"ini", &record, sizeof record, SettingsFile().c_str()));
        record.m_bOnlineMap = 1;
        record.m_nViewFollowMode = followMode;
        record.m_nMaxLevel = maxLevel;
        WriteSettings(record);
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
    }

    std::vector<AcDbObjectId> Entities() const { return tarnhost::ModelSpaceIds(host.Drawing()); }

    std::string Describe(AcDbObjectId id) const {
        AcDbEntity* entity = nullptr;
        if (acdbOpenObject(entity, id, AcDb::kForRead) != Acad::eOk) {
            return "<cannot open>";
        }
        const std::string text = platform::Utf16ToUtf8(tarnhost::DescribeEntity(entity));
        entity->close();
        return text;
    }

    std::string dir;
    std::ostringstream out;  // outlives the host, which flushes into it when it stops
    tarnhost::HostOptions options;
    tarnhost::Host host;
    size_t mark = 0;
};

// A user's drawing saved under a name, with the plug-in loaded on auto-sync settings (the list of skipped
// objects not shown) and the simulator's request log empty; the plug-in unloads at the end and no write
// went without the document's lock.
class SyncedDrawingTest : public HostTest {
protected:
    void SetUpDrawing(const std::string& name) {
        SaveDrawing(name);
        LoadPlugin();
    }
    // The two halves, for a test that does something before the plug-in loads.
    void SaveDrawing(const std::string& name) {
        drawing = dir + "/" + name;
        ASSERT_EQ(Run("SAVEAS", {drawing}), platform::CommandOutcome::kEnded);
        CSettingsRecord record = AutoSyncSettings();
        record.m_bHideSkippedList = 1;
        WriteSettings(record);
    }
    void LoadPlugin() {
        std::string error;
        ASSERT_TRUE(host.LoadModule(TARN_PLUGIN_MODULE, &error)) << error;
        host.MapSim().ClearRecords();
    }
    void TearDown() override {
        std::string error;
        EXPECT_TRUE(host.UnloadModule("TarnArx", &error)) << error;
        EXPECT_TRUE(platform::LockViolations().empty());
        HostTest::TearDown();
    }

    std::string drawing;
};

}  // namespace e2e
