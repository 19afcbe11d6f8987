#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace zt::station {

// Charts drawn as inline SVG, so a report is one file that any browser shows
// without fetching anything. Every bar is a <rect class="bar"> with a
// <title> that names its label and value (shown on hover, read by screen
// readers).

struct BarSeries {
    std::string name;
    std::string colour;
    std::vector<double> values;  // one per label; several series are stacked
};

struct BarChart {
    std::string id;  // the <svg>'s id
    std::string caption;
    std::vector<std::string> labels;
    std::vector<BarSeries> series;
    std::string valueUnit;           // said in each bar's title, e.g. "units/h"
    std::string valueUnitOne;        // said instead for a value of 1 ("failure"); "": the same
    std::vector<double> cumulative;  // optional: shares 0 to 1 drawn as a line on a 0-100 % scale
    size_t labelEvery = 1;           // write every n-th label under the axis
};

std::string RenderBarChart(const BarChart& chart);

// One horizontal bar per row, its length a share (a yield) of 0 to 1.
struct ShareBar {
    std::string label;
    double share = 0;
    std::string note;  // after the percentage, e.g. "812 of 830"
};

std::string RenderShareBars(const std::string& id, const std::string& caption,
                            const std::vector<ShareBar>& rows);

// Text made safe inside HTML and SVG elements and attributes: markup
// escaped, control characters dropped, bytes that are not UTF-8 replaced by
// U+FFFD.
std::string EscapeMarkup(std::string_view text);

}  // namespace zt::station
