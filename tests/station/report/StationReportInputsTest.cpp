#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/CommandRun.h"
#include "support/HeadlessChromium.h"

// The station report against logs nobody's station wrote, and against the
// faults of a line: a serial written into two units, units that share the
// image's serial.
#include "support/TempDir.h"

namespace zt::cli {
namespace {

namespace fs = std::filesystem;

using test::TempDir;
using test::WriteText;

std::string Record(const std::string& members) {
    return R"({"record":"job","status":"OK","start":"2026-12-07T08:00:00.000Z","end":"2026-12-07T08:00:11.000Z",)" +
           members + "}\n";
}

bool ValidUtf8WithoutControls(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80                 ? 1
                              : c >= 0xC2 && c <= 0xDF ? 2
                              : c >= 0xE0 && c <= 0xEF ? 3
                              : c >= 0xF0 && c <= 0xF4 ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        if (length == 1 && (c < 0x20 || c == 0x7F) && c != '\n') return false;
        if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) return false;
        i += length;
    }
    return true;
}

// Lines nobody's station wrote: dates centuries off, durations no job takes,
// control characters and broken UTF-8, a status cut in a character, hundreds
// of ports. They are skipped or shown safely, and -o naming a log (by any
// path) writes nothing.
TEST(StationReport, HostileRecordsAreSkippedOrShownSafely) {
    TempDir dir;
    const fs::path log = dir.path / "st\xff.log";  // a byte that is no UTF-8
    std::string text = Record(R"("host":"\u0001st\u001b[2J\u0085\u00e9","port":"1-1")");
    for (
        const char* bad : {
            R"({"record":"job","status":"OK","start":"2300-01-01T00:00:00.000Z","end":"2300-01-01T00:00:11.000Z"})",
            R"({"record":"job","status":"OK","start":"1970-01-01T00:00:00.000Z","end":"1970-01-01T00:00:11.000Z"})",
            R"({"record":"job","status":"OK","start":"2026-12-07T08:00:00.000Z","end":"2026-12-09T08:00:00.000Z"})",
        })
        text += std::string(bad) + "\n";
    for (const char* duration : {"1e300", "-5", "172800000"})
        text += Record(std::string(R"("durationMs":)") + duration);
    const std::string status = std::string(39, 'a') + "\xc3\xa9";
    text +=
        R"({"record":"job","start":"2026-12-07T08:00:00.000Z","end":"2026-12-07T08:00:11.000Z","status":")" +
        status + "\"}\n";
    for (int port = 0; port < 250; ++port)
        text += Record(R"("host":"pc","port":"p)" + std::to_string(port) + "\"");
    WriteText(log, text);

    const auto figures = nlohmann::json::parse(test::RunArgs({"report", "--json", log.string()}).out);
    EXPECT_EQ(figures["records"], 251);
    EXPECT_EQ(figures["invalidLines"], 7);
    EXPECT_EQ(figures["throughput"]["slices"].size(), 1u);
    EXPECT_EQ(figures["durations"]["passed"]["maxMs"], 11000);
    EXPECT_EQ(figures["invalid"][6]["reason"], "unknown status \"" + std::string(39, 'a') + "\"");

    const test::CommandRun page = test::RunArgs({"report", log.string()});
    ASSERT_EQ(page.rc, 0) << page.err;
    EXPECT_TRUE(ValidUtf8WithoutControls(page.out));
    EXPECT_NE(page.out.find(">st[2J\xc3\xa9<"), std::string::npos);
    EXPECT_NE(page.out.find("st\xef\xbf\xbd.log"), std::string::npos);
    const size_t ports = page.out.find("id=\"yield-ports\""), portsEnd = page.out.find("</svg>", ports);
    int bars = 0;
    for (size_t at = page.out.find("class=\"bar\"", ports); at < portsEnd;
         at = page.out.find("class=\"bar\"", at + 1))
        ++bars;
    EXPECT_EQ(bars, 200);
    EXPECT_NE(page.out.find("… and 51 more", portsEnd), std::string::npos);  // 251 ports

    // The same file by its own name, a link, a hard link and a detour.
    fs::create_symlink(log, dir.path / "link.log");
    fs::create_hard_link(log, dir.path / "hard.log");
    fs::create_directory(dir.path / "sub");
    for (const fs::path& output :
         {log, dir.path / "link.log", dir.path / "hard.log", dir.path / "sub/../st\xff.log"}) {
        const test::CommandRun run = test::RunArgs({"report", "-o", output.string(), log.string()});
        EXPECT_EQ(run.rc, 2) << output;
        std::ifstream in(log, std::ios::binary);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), text) << output;
    }
}

// Units told apart by barcode or by the serial written, never by the USB
// serial every unit of an image shares; a serial written into two units is
// named, one job read from two logs or one barcode written twice is not.
TEST(StationReport, SerialsWrittenTwiceAndFirstPassYield) {
    TempDir dir;
    const auto at = [](int minute) {
        return R"("start":"2026-12-07T08:)" + std::to_string(10 + minute) +
               R"(:00.000Z","end":"2026-12-07T08:)" + std::to_string(10 + minute) + R"(:11.000Z")";
    };
    const auto job = [&](const std::string& status, int minute, const std::string& members) {
        return R"({"record":"job","host":"st1","port":"1-1","status":")" + status + "\"," + at(minute) +
               (members.empty() ? "" : "," + members) + "}\n";
    };
    const std::string shared = job("OK", 9, R"("serialWritten":"SN2")");  // in both logs
    WriteText(dir.path / "a.log",
              job("OK", 0, R"("serial":"DEFAULT")") + job("FAIL", 1, R"("serial":"DEFAULT")") +
                  job("OK", 2, R"("serial":"DEFAULT")") + job("OK", 3, R"("serialWritten":"SN1")") + shared +
                  job("FAIL", 4, R"("barcode":"B1","serialWritten":"SN3")") +
                  job("OK", 5, R"("barcode":"B1","serialWritten":"SN3")"));
    WriteText(dir.path / "b.log", job("OK", 6, R"("port":"1-2","serialWritten":"SN1")") + shared +
                                      job("OK", 7, R"("serialWritten":"SN1","barcode":"B7")") +
                                      job("FAIL", 8, R"("serialWritten":"SN4")") +
                                      job("OK", 9, R"("port":"1-3","serialWritten":"SN4")"));
    const std::vector<std::string> logs = {(dir.path / "a.log").string(), (dir.path / "b.log").string()};
    const auto figures = nlohmann::json::parse(test::RunArgs({"report", "--json", logs[0], logs[1]}).out);

    const auto& fpy = figures["firstPassYield"];
    EXPECT_EQ(fpy["jobsWithoutUnit"], 3);
    EXPECT_EQ(fpy["units"], 5);  // SN1, SN2, B1, B7, SN4
    EXPECT_EQ(fpy["passedFirst"], 3);
    EXPECT_EQ(fpy["retried"], 4);

    const auto& duplicates = figures["duplicateSerials"];
    ASSERT_EQ(duplicates.size(), 1u) << duplicates;
    EXPECT_EQ(duplicates[0]["serial"], "SN1");
    EXPECT_EQ(duplicates[0]["units"], 3);
    ASSERT_EQ(duplicates[0]["uses"].size(), 3u);
    EXPECT_EQ(duplicates[0]["uses"][1]["port"], "1-2");
    EXPECT_EQ(duplicates[0]["uses"][2]["barcode"], "B7");

    const std::string page = test::RunArgs({"report", logs[0], logs[1]}).out;
    const size_t listed = page.find("id=\"duplicate-serials\"");
    ASSERT_NE(listed, std::string::npos);
    EXPECT_LT(listed, page.find("<h2>Units per hour"));
    EXPECT_NE(page.find("<code>SN1</code>", listed), std::string::npos);
}

// Long labels a log can bring: jobs of hours, a port named by its location
// path, a station name longer than a line, failure codes of other versions.
// In the browser every text of every chart lies inside its chart.
TEST(StationReport, ChartTextStaysInsideItsChart) {
    const auto chromium = test::FindChromium();
    if (!chromium)
        GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it); page not rendered";
    TempDir dir;
    std::string text;
    for (int i = 0; i < 24; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%02X%06X", i % 5, 0xA0A0A0 + i);
        text += R"({"record":"job","status":"FAIL","code":")" + std::string(code) +
                R"(","start":"2026-12-07T08:00:00.000Z","end":"2026-12-07T08:00:11.000Z","durationMs":)" +
                std::to_string(80000000 - i * 3000000) +
                R"(,"host":"st1","port":"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB()" + std::to_string(i) +
                ")\"}\n";
    }
    text += Record(R"("host":")" + std::string(300, 'W') + R"(","port":"1-1")");
    const fs::path log = dir.path / "long.log", page = dir.path / "report.html";
    WriteText(log, text);
    ASSERT_EQ(test::RunArgs({"report", "-o", page.string(), log.string()}).rc, 0);

    // Each text's box as laid out, against its chart's.
    std::ofstream(page, std::ios::app) << R"(<script>
const cut = [];
for (const svg of document.querySelectorAll('svg.chart')) {
  const chart = svg.getBoundingClientRect();
  for (const t of svg.querySelectorAll('text')) {
    const r = t.getBoundingClientRect();
    if (r.left < chart.left - 0.5 || r.right > chart.right + 0.5 || r.top < chart.top - 0.5 ||
        r.bottom > chart.bottom + 0.5)
      cut.push(svg.id + ': ' + t.textContent);
  }
}
document.body.insertAdjacentHTML('beforeend', '<pre id="cut">' + cut.length + ' cut: ' + cut.join(' | ') + '</pre>');
</script>
)";
    const std::string dom = test::DumpDom(*chromium, page, dir.path);
    ASSERT_FALSE(dom.empty()) << "chromium did not render " << page;
    EXPECT_NE(dom.find("<pre id=\"cut\">0 cut: </pre>"), std::string::npos)
        << dom.substr(std::min(dom.size(), dom.find("<pre id=\"cut\">")));
    // The station's name is cut on the page, whole in the label's title.
    EXPECT_NE(dom.find("<title>" + std::string(300, 'W') + "</title>"), std::string::npos);
}

}  // namespace
}  // namespace zt::cli
