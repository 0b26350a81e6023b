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

}  // namespace e2e
