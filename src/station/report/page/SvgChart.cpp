#include "station/report/page/SvgChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace zt::station {

namespace {

std::string Number(double value, int decimals = 1) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// A round top for the value axis: 1, 2 or 5 times a power of ten.
double AxisTop(double highest) {
    if (highest <= 0) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(highest)));
    for (const double step : {1.0, 2.0, 5.0, 10.0})
        if (step * power >= highest) return step * power;
    return 10 * power;
}

}  // namespace

namespace {

// The length of the well-formed UTF-8 character at the start of `text`
// (shortest form, no surrogate, at most U+10FFFF) and its code point; 0 when
// the bytes there are not one.
size_t Utf8Character(std::string_view text, char32_t* point) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length;
    char32_t value, least;
    if (lead < 0x80) {
        *point = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *point = value;
    return length;
}

// The page names no font, so a browser picks its own sans-serif; these are
// the widths of the wider ones (DejaVu Sans), in ems, so that text measured
// here is never wider on the page. Anything past ASCII counts as a full em.
double CharacterWidth(char32_t point) {
    if (point >= '0' && point <= '9') return 0.64;
    if (point >= 'A' && point <= 'Z') return point == 'M' || point == 'W' ? 1.0 : 0.78;
    if (point >= 'a' && point <= 'z') return point == 'm' || point == 'w' ? 0.98 : 0.64;
    switch (point) {
        case ' ':
        case '.':
        case ',':
        case ':':
        case ';':
        case '\'':
        case '|':
        case '!':
            return 0.34;
        case '-':
        case '(':
        case ')':
        case '[':
        case ']':
        case '/':
            return 0.4;
        default:
            return point < 0x80 ? 0.84 : 1.0;
    }
}

constexpr double kFontSize = 11;  // of every text in a chart (the page's style)

// The widest `text` (raw, before escaping) can be at kFontSize.
double TextWidth(std::string_view text) {
    double ems = 0;
    while (!text.empty()) {
        char32_t point = 0xFFFD;
        const size_t length = Utf8Character(text, &point);
        text.remove_prefix(std::max<size_t>(length, 1));
        ems += CharacterWidth(point);
    }
    return ems * kFontSize;
}

// `text` cut to `width` with an ellipsis, never inside a UTF-8 character.
std::string FitText(std::string_view text, double width) {
    if (TextWidth(text) <= width) return std::string(text);
    const double room = width - CharacterWidth(0x2026) * kFontSize;
    double used = 0;
    size_t kept = 0;
    while (kept < text.size()) {
        char32_t point = 0xFFFD;
        const size_t length = std::max<size_t>(Utf8Character(text.substr(kept), &point), 1);
        used += CharacterWidth(point) * kFontSize;
        if (used > room) break;
        kept += length;
    }
    return std::string(text.substr(0, kept)) + "\u2026";
}

}  // namespace

// Logs are written by other programs and hand-edited: whatever bytes they
// hold, the page stays valid UTF-8 (a broken sequence becomes U+FFFD) and
// shows no control characters.
std::string EscapeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t point = 0;
        const size_t length = Utf8Character(text, &point);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            text.remove_prefix(1);
            continue;
        }
        const std::string_view character = text.substr(0, length);
        text.remove_prefix(length);
        if (point < 0x20 || (point >= 0x7F && point <= 0x9F)) continue;
        switch (point) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += character;
        }
    }
    return out;
}

namespace {

// Labels under the axis are turned by this much, so that long ones need not
// be spread wider than the bars.
constexpr double kLabelAngle = 40 * 3.14159265358979 / 180;
// Of a text's height, what lies above its baseline and what below.
constexpr double kAscent = 0.8 * kFontSize, kDescent = 0.25 * kFontSize;

// The value beside a share bar: "97.6 %  (2079 of 2130)".
std::string ShareText(const ShareBar& row) {
    return Number(std::clamp(row.share, 0.0, 1.0) * 100, 1) + " %" +
           (row.note.empty() ? "" : "  (" + row.note + ")");
}

}  // namespace

std::string RenderBarChart(const BarChart& chart) {
    constexpr double kTop = 16, kPlotHeight = 220, kLabelDrop = 12, kGap = 6, kPadding = 4;
    const size_t count = chart.labels.size();
    const double slot = std::clamp(720.0 / std::max<size_t>(count, 1), 4.0, 48.0);
    const double plotWidth = slot * std::max<size_t>(count, 1);
    const double every = double(std::max<size_t>(chart.labelEvery, 1));
    double highest = 0;
    for (size_t i = 0; i < count; ++i) {
        double stack = 0;
        for (const BarSeries& series : chart.series) stack += i < series.values.size() ? series.values[i] : 0;
        highest = std::max(highest, stack);
    }
    const double top = AxisTop(highest);
    auto y = [&](double value) { return kTop + kPlotHeight * (1 - value / top); };
    auto axisValue = [&](int step) { return Number(top * step / 4, top < 5 ? 1 : 0); };

    // Margins wide enough for every text: the value axis on the left, the
    // turned labels below (each reaching down and back to the left from
    // under its bar), the cumulative shares on the right.
    double left = 56, right = 48, bottom = 64;
    for (int step = 0; step <= 4; ++step) left = std::max(left, TextWidth(axisValue(step)) + kGap + kPadding);
    const double cosine = std::cos(kLabelAngle), sine = std::sin(kLabelAngle);
    for (size_t i = 0; i < count; i += size_t(every)) {
        const double length = TextWidth(chart.labels[i]);
        bottom = std::max(bottom, kLabelDrop + length * sine + kDescent * cosine + kPadding);
        left = std::max(left, length * cosine + kAscent * sine + kPadding - slot * (double(i) + 0.5));
    }
    if (!chart.cumulative.empty()) right = std::max(right, kGap + TextWidth("100%") + kPadding);
    const double kLeft = std::ceil(left);
    const double width = kLeft + plotWidth + std::ceil(right),
                 height = kTop + kPlotHeight + std::ceil(bottom);

    std::string svg = "<svg class=\"chart\" id=\"" + EscapeMarkup(chart.id) +
                      "\" role=\"img\" aria-label=\"" + EscapeMarkup(chart.caption) +
                      "\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width, 0) + "\" height=\"" +
                      Number(height, 0) + "\" viewBox=\"0 0 " + Number(width, 0) + " " + Number(height, 0) +
                      "\">\n";
    // Value axis: five grid lines with their values.
    for (int step = 0; step <= 4; ++step) {
        const double value = top * step / 4, at = y(value);
        svg += "<line class=\"grid\" x1=\"" + Number(kLeft) + "\" x2=\"" + Number(kLeft + plotWidth) +
               "\" y1=\"" + Number(at) + "\" y2=\"" + Number(at) + "\"/>";
        svg += "<text class=\"axis\" x=\"" + Number(kLeft - kGap) + "\" y=\"" + Number(at + 4) +
               "\" text-anchor=\"end\">" + axisValue(step) + "</text>\n";
    }
    for (size_t i = 0; i < count; ++i) {
        const double x = kLeft + slot * double(i) + slot * 0.1, barWidth = slot * 0.8;
        double base = 0;
        for (const BarSeries& series : chart.series) {
            const double value = i < series.values.size() ? series.values[i] : 0;
            if (value > 0) {
                std::string title =
                    EscapeMarkup(chart.labels[i]) + ": " + Number(value, value == std::floor(value) ? 0 : 1) +
                    " " +
                    EscapeMarkup(value == 1 && !chart.valueUnitOne.empty() ? chart.valueUnitOne
                                                                           : chart.valueUnit);
                if (chart.series.size() > 1) {
                    title += ' ';
                    title += EscapeMarkup(series.name);
                }
                svg += "<rect class=\"bar\" fill=\"" + series.colour + "\" x=\"" + Number(x) + "\" y=\"" +
                       Number(y(base + value)) + "\" width=\"" + Number(barWidth) + "\" height=\"" +
                       Number(y(base) - y(base + value)) + "\"><title>" + title + "</title></rect>\n";
            }
            base += value;
        }
        if (i % size_t(every) == 0) {
            const double lx = x + barWidth / 2, ly = kTop + kPlotHeight + kLabelDrop;
            svg += "<text class=\"axis\" x=\"" + Number(lx) + "\" y=\"" + Number(ly) +
                   "\" text-anchor=\"end\" transform=\"rotate(-40 " + Number(lx) + " " + Number(ly) + ")\">" +
                   EscapeMarkup(chart.labels[i]) + "</text>\n";
        }
    }
    if (!chart.cumulative.empty()) {
        std::string points;
        for (size_t i = 0; i < chart.cumulative.size() && i < count; ++i)
            points += Number(kLeft + slot * (double(i) + 0.5)) + "," +
                      Number(kTop + kPlotHeight * (1 - chart.cumulative[i])) + " ";
        svg +=
            "<polyline class=\"cumulative\" fill=\"none\" stroke=\"#1565c0\" stroke-width=\"2\" points=\"" +
            points + "\"/>\n";
        for (int step = 0; step <= 4; ++step)
            svg += "<text class=\"axis\" x=\"" + Number(kLeft + plotWidth + kGap) + "\" y=\"" +
                   Number(kTop + kPlotHeight * (1 - step / 4.0) + 4) + "\">" + std::to_string(step * 25) +
                   "%</text>\n";
    }
    svg += "<line class=\"frame\" x1=\"" + Number(kLeft) + "\" x2=\"" + Number(kLeft + plotWidth) +
           "\" y1=\"" + Number(kTop + kPlotHeight) + "\" y2=\"" + Number(kTop + kPlotHeight) +
           "\"/>\n</svg>\n";
    return svg;
}

std::string RenderShareBars(const std::string& id, const std::string& caption,
                            const std::vector<ShareBar>& rows) {
    // The label column as wide as its longest label, up to a limit past which
    // labels are cut (whole in their title); the values' column as wide as
    // its longest value.
    constexpr double kBar = 420, kRow = 22, kGap = 8, kMostLabel = 480;
    double label = 120, note = 200;
    for (const ShareBar& row : rows) {
        label = std::max(label, std::min(TextWidth(row.label), kMostLabel) + 2 * kGap);
        note = std::max(note, TextWidth(ShareText(row)) + 2 * kGap);
    }
    const double kLabel = std::ceil(label);
    const double height = kRow * std::max<size_t>(rows.size(), 1) + 8,
                 width = kLabel + kBar + std::ceil(note);
    std::string svg = "<svg class=\"chart\" id=\"" + EscapeMarkup(id) + "\" role=\"img\" aria-label=\"" +
                      EscapeMarkup(caption) + "\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      Number(width, 0) + "\" height=\"" + Number(height, 0) + "\" viewBox=\"0 0 " +
                      Number(width, 0) + " " + Number(height, 0) + "\">\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const ShareBar& row = rows[i];
        const double share = std::clamp(row.share, 0.0, 1.0), top = 4 + kRow * double(i);
        const std::string percent = Number(share * 100, 1) + " %";
        const std::string shown = FitText(row.label, kLabel - 2 * kGap);
        svg += "<text class=\"label\" x=\"" + Number(kLabel - kGap) + "\" y=\"" + Number(top + 14) +
               "\" text-anchor=\"end\">" +
               (shown.size() == row.label.size() ? "" : "<title>" + EscapeMarkup(row.label) + "</title>") +
               EscapeMarkup(shown) + "</text>";
        svg += "<rect class=\"track\" x=\"" + Number(kLabel) + "\" y=\"" + Number(top + 2) + "\" width=\"" +
               Number(kBar) + "\" height=\"16\"/>";
        svg += "<rect class=\"bar\" fill=\"" +
               std::string(share >= 0.95   ? "#2e7d32"
                           : share >= 0.85 ? "#f9a825"
                                           : "#c62828") +
               "\" x=\"" + Number(kLabel) + "\" y=\"" + Number(top + 2) + "\" width=\"" +
               Number(kBar * share) + "\" height=\"16\"><title>" + EscapeMarkup(row.label) + ": " + percent +
               "</title></rect>";
        svg += "<text class=\"value\" x=\"" + Number(kLabel + kBar + kGap) + "\" y=\"" + Number(top + 14) +
               "\">" + EscapeMarkup(ShareText(row)) + "</text>\n";
    }
    return svg + "</svg>\n";
}

}  // namespace zt::station
