// The console's lines and status events reach the sinks as they come; the host keeps them for
// later only while records are kept.
#include <gtest/gtest.h>

#include "headless/host/host.h"

namespace {

TEST(HostRecords, SinksGetEveryEventWhetherOrNotRecordsAreKept) {
    for (bool keep : {true, false}) {
        headless::HeadlessHost host;
        std::vector<std::string> lines, texts;
        host.SetConsoleSink([&](const std::string& line) { lines.push_back(line); });
        host.SetStatusSink([&](const headless::StatusEvent& event) { texts.push_back(event.text); });
        host.KeepRecords(keep);
        host.Print("Exported mesh: a");
        host.StatusSetText("Export Meshes");
        EXPECT_EQ(lines, std::vector<std::string>{"Exported mesh: a"});
        EXPECT_EQ(texts, std::vector<std::string>{"Export Meshes"});
        EXPECT_EQ(host.Console().size(), keep ? 1u : 0u);
        EXPECT_EQ(host.Status().size(), keep ? 1u : 0u);
    }
}

}  // namespace
