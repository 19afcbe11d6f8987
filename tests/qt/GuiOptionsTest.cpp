#include <gtest/gtest.h>
#include <unistd.h>

#include <QStringList>
#include <filesystem>
#include <fstream>
#include <string>

#include "station/config/ExitCodes.h"
#include "ui/qt/GuiOptions.h"

namespace zt {
namespace {

qt::GuiCommandLine Parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("zt51xx-mp-gui"));
    return qt::ParseGuiCommandLine(arguments);
}

TEST(GuiOptions, SimulationOptionsAreRead) {
    const auto line =
        Parse({"--simulate", "--variant", "B", "--fault", "no-reply", "--fault", "stuck=0x100:2",
               "--sim-clock", "--auto-ok", "--screenshot", "x.png", "--screenshot-at", "75"});
    ASSERT_FALSE(line.exitCode) << line.text.toStdString();
    const qt::GuiOptions& o = line.options;
    EXPECT_TRUE(o.simulate);
    EXPECT_EQ(o.simulation.variant, sim::ChipVariant::B);
    EXPECT_TRUE(o.simulation.faults.noReply);
    EXPECT_EQ(o.simulation.faults.stuckBytes.at(0x100), 2);
    EXPECT_TRUE(o.simulation.simulatedClock);
    EXPECT_TRUE(o.autoOk);
    EXPECT_EQ(o.screenshotPath, "x.png");
    EXPECT_EQ(o.screenshotAtProgress, 75);
}

TEST(GuiOptions, MistakesEndWithAUsageError) {
    for (const QStringList& arguments :
         {QStringList{"--variant", "A"}, QStringList{"--fault", "no-reply"},
          QStringList{"--simulate", "--variant", "C"}, QStringList{"--simulate", "--screenshot-at", "101"},
          QStringList{"--units", "2"}, QStringList{"--simulate", "--units", "0"}, QStringList{"--bogus"},
          QStringList{"extra"}, QStringList{"--simulate", "--replug", "power"},
          QStringList{"--station", "--replug", "hands"}}) {
        const auto line = Parse(arguments);
        ASSERT_TRUE(line.exitCode) << arguments.join(' ').toStdString();
        EXPECT_EQ(*line.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_FALSE(line.text.isEmpty());
    }
    EXPECT_EQ(Parse({"--help"}).exitCode, 0);
    const auto version = Parse({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.text.startsWith(QStringLiteral("zt51xx-mp-gui 2.")));
}

TEST(GuiOptions, AnUnknownFaultIsRefusedWithItsName) {
    const auto line = Parse({"--simulate", "--fault", "no-reply", "--fault", "no-such-fault"});
    ASSERT_TRUE(line.exitCode);
    EXPECT_EQ(*line.exitCode, 2);
    EXPECT_TRUE(line.text.contains(QStringLiteral("no-such-fault")));
}

// Who runs the station: the settings file fills in what the options leave
// out; a named file that is not there stops the tool (exit 4), and a name no
// record can take is a usage error.
TEST(GuiOptions, TheStationIdentityComesFromTheOptionsOverTheSettings) {
    const auto config =
        std::filesystem::temp_directory_path() / ("zt-gui-station-" + std::to_string(::getpid()) + ".conf");
    std::ofstream(config) << "# line 4\nstation-id = line-4\noperator = Bo\n";
    const QString path = QString::fromStdString(config.string());
    const auto line = Parse({"--config", path, "--operator", "Ana"});
    const auto tooLong = Parse({"--config", path, "--work-order", QString(200, u'x')});
    std::filesystem::remove(config);
    ASSERT_FALSE(line.exitCode) << line.text.toStdString();
    EXPECT_EQ(line.options.identity.stationId, "line-4");
    EXPECT_EQ(line.options.identity.operatorName, "Ana");
    EXPECT_EQ(line.options.identity.workOrder, "");

    const auto missing = Parse({"--config", path});
    ASSERT_TRUE(missing.exitCode);
    EXPECT_EQ(*missing.exitCode, 4);
    EXPECT_TRUE(missing.text.contains(path));
    ASSERT_TRUE(tooLong.exitCode);
    EXPECT_EQ(*tooLong.exitCode, 2);
    EXPECT_TRUE(tooLong.text.contains(QStringLiteral("--work-order")));
}

// Every option of the window is a key of the settings file; the command
// line wins, and a value the window refuses is named by its file and line
// even when the option it belongs to is checked later.
TEST(GuiOptions, TheSettingsFileFillsInEveryOptionTheLineLeavesOut) {
    const auto config =
        std::filesystem::temp_directory_path() / ("zt-gui-keys-" + std::to_string(::getpid()) + ".conf");
    const QString path = QString::fromStdString(config.string());
    std::ofstream(config) << "simulate = yes\nstation = true\nreplug = power\nfault = no-reply\n"
                             "operator = \"Li Wei\"\nscreenshot-at = 75\nsome-mqtt-key = 1\n";
    const auto line = Parse({"--config", path, "--screenshot-at", "10"});
    std::ofstream(config) << "simulate = true\n# units\nunits = many\n";
    const auto bad = Parse({"--config", path});
    std::filesystem::remove(config);
    ASSERT_FALSE(line.exitCode) << line.text.toStdString();
    EXPECT_TRUE(line.options.simulate);
    EXPECT_TRUE(line.options.station);
    EXPECT_TRUE(line.options.replugByPower) << "--replug from the file needs --station from it too";
    EXPECT_TRUE(line.options.simulation.faults.noReply);
    EXPECT_EQ(line.options.identity.operatorName, "Li Wei");
    EXPECT_EQ(line.options.screenshotAtProgress, 10);
    ASSERT_TRUE(bad.exitCode);
    EXPECT_EQ(*bad.exitCode, 2);
    EXPECT_TRUE(bad.text.startsWith(path + QStringLiteral(" line 3: "))) << bad.text.toStdString();
}

// --serial opens the command line's serial ledger before any window, and
// only for the station window; a source that cannot serve stops the tool.
TEST(GuiOptions, SerialsComeFromTheSharedLedgerAndNeedTheStation) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("zt-gui-serial-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    ::setenv("ZT_STATE_DIR", folder.c_str(), 1);
    const auto line = Parse({"--station", "--serial", "counter:1000", "--bell"});
    ASSERT_FALSE(line.exitCode) << line.text.toStdString();
    ASSERT_TRUE(line.options.serials);
    EXPECT_TRUE(line.options.bell);
    std::string why;
    const auto first = line.options.serials->Next({"", "1-1.1"}, &why);
    ASSERT_TRUE(first) << why;
    // A second source on the same ledger goes on past what the first handed out.
    const auto again = Parse({"--station", "--serial", "counter:1000"});
    ASSERT_TRUE(again.options.serials);
    const auto second = again.options.serials->Next({"", "1-1.2"}, &why);
    ASSERT_TRUE(second) << why;
    EXPECT_NE(*first, *second);

    EXPECT_EQ(Parse({"--serial", "counter:1000"}).exitCode, station::kExitUsage);
    EXPECT_EQ(Parse({"--station", "--serial", "bogus"}).exitCode, station::kExitUsage);
    ::unsetenv("ZT_STATE_DIR");
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zt
