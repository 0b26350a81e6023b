// The demo script as tarn.sh runs it, in the test's folder: every line runs, and its drawing is saved (and
// kept for the independent reader with every other drawing the end-to-end tests save).
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/console.h"
#include "host_fixture.h"

namespace {

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

using DemoScript = e2e::HostTest;

TEST_F(DemoScript, RunsToItsEndAndSavesItsDrawing) {
    // The paths the script gives relative to the build folder, made the test's; the demo user's settings.
    std::string script = e2e::ReadFile(std::string(TARN_SOURCE_DIR) + "/examples/demo.tarn");
    ASSERT_FALSE(script.empty());
    script = Replaced(script, "../../examples/", std::string(TARN_SOURCE_DIR) + "/examples/");
    script = Replaced(script, "plugin/TarnArx.arx", TARN_PLUGIN_MODULE);
    script = Replaced(script, "\ndemo-site.dxf\n", "\n" + dir + "/demo-site.dxf\n");
    e2e::WriteFile(dir + "/demo.tarn", script);
    std::filesystem::create_directories(host.Options().localAppDataFolder);
    std::filesystem::copy_file(std::string(TARN_SOURCE_DIR) + "/examples/demo-settings.ini",
                               host.Options().localAppDataFolder + "/TarnArx_setting.ini",
                               std::filesystem::copy_options::overwrite_existing);
    tarnhost::ScriptSource source;
    ASSERT_TRUE(source.Open(dir + "/demo.tarn", nullptr));
    std::string error;
    EXPECT_TRUE(host.RunLines(source, true, &error)) << error << "\n" << Printed();
    EXPECT_TRUE(std::filesystem::exists(dir + "/demo-site.dxf"));
}

}  // namespace
