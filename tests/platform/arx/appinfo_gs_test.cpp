// The demand-load registration and the graphics system's options.
#include <gtest/gtest.h>

#include "platform/arx/acap/appinfo.h"
#include "platform/arx/acgs/gsmanager.h"
#include "platform/win32/sys/sys_hooks.h"

namespace {

TEST(AppInfo, EntriesAreWrittenReadBackAndDeletedWithTheirGroupsAndCommands) {
    AcadAppInfo info;
    info.setAppName(u"Demo");
    info.setAppDesc(u"Demo app");
    info.setModuleName(u"C:\\apps\\Demo.arx");
    info.setLoadReason(static_cast<AcadApp::LoadReasons>(AcadApp::kOnStartup | AcadApp::kOnLoadRequest));
    ASSERT_EQ(info.writeToRegistry(), AcadAppInfo::kNoError);
    EXPECT_EQ(info.writeGroupNameToRegistry(u"DEMO"), AcadAppInfo::kNoError);
    EXPECT_EQ(info.writeCommandNameToRegistry(u"RUNDEMO", u"演示"), AcadAppInfo::kNoError);

    AcadAppInfo read;
    read.setAppName(u"demo");  // names ignore case, as registry keys do
    ASSERT_EQ(read.readFromRegistry(), AcadAppInfo::kNoError);
    EXPECT_EQ(std::u16string(read.appDesc()), u"Demo app");
    EXPECT_EQ(std::u16string(read.moduleName()), u"C:\\apps\\Demo.arx");
    EXPECT_EQ(read.loadReason(), AcadApp::kOnStartup | AcadApp::kOnLoadRequest);
    EXPECT_NE(platform::DumpRegistry().find("Demo\\Commands]\n\"RUNDEMO\"=\"演示\""), std::string::npos);

    EXPECT_EQ(read.delFromRegistry(), AcadAppInfo::kNoError);
    EXPECT_EQ(platform::DumpRegistry().find("Demo"), std::string::npos);
    EXPECT_EQ(read.delFromRegistry(), AcadAppInfo::kAppNameNotFound);
    EXPECT_EQ(read.readFromRegistry(), AcadAppInfo::kAppNameNotFound);
    AcadAppInfo nameless;
    EXPECT_EQ(nameless.writeToRegistry(), AcadAppInfo::kAppNameNotFound);
    EXPECT_EQ(platform::OpenRegistryKeyCount(), 0u);
}

TEST(GraphicsSystem, AnOptionTakesEffectWhenTheConfigurationIsApplied) {
    AcGsManager* manager = acgsGetGsManager();
    ASSERT_NE(manager, nullptr);
    AcGsConfig* config = manager->getConfig();
    EXPECT_TRUE(config->getOption(0));
    config->setOption(0, false);
    EXPECT_FALSE(config->getOption(0));
    EXPECT_TRUE(platform::GraphicsSystem().applied[0]);  // not yet applied
    config->saveSettings();
    config->configChanged();
    EXPECT_FALSE(platform::GraphicsSystem().applied[0]);
    EXPECT_EQ(platform::GraphicsSystem().saves, 1);
    EXPECT_EQ(platform::GraphicsSystem().changes, 1);
    config->setOption(99, true);  // unknown: ignored
    EXPECT_FALSE(config->getOption(99));
    platform::GraphicsSystem().available = false;
    EXPECT_EQ(acgsGetGsManager(), nullptr);
}

}  // namespace
