// The report page: per instrument, its samples over time (volume, maximum pressure, outcome
// by colour), the clock offset each download measured, and the samples that did not
// complete. Charts are SVG drawn here; the page fetches nothing.
#include "archive/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "archive/samples.h"

namespace tq::archive {
namespace {

constexpr std::uint8_t kStopComplete = 6;

struct Outcome {
  std::uint8_t stop_reason;
  const char* colour;
};
// The outcomes a technician tells apart at a glance; anything else is grey.
constexpr Outcome kOutcomes[] = {
    {6, "#2e7d32"}, {5, "#e69500"}, {4, "#c62828"}, {7, "#6d4c41"}, {1, "#1565c0"}};
constexpr const char* kOtherColour = "#8a8a8a";

const char* ColourOf(std::uint8_t stop_reason) {
  for (const Outcome& outcome : kOutcomes) {
    if (outcome.stop_reason == stop_reason) return outcome.colour;
  }
  return kOtherColour;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
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
      default:
        out += c;
    }
  }
  return out;
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[160];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// An axis label: the date, or the day and time when the axis spans less than three days.
std::string DateOf(std::int64_t seconds, std::int64_t span) {
  const std::string iso = IsoLocal(seconds);
  return span < 3 * 86400 ? iso.substr(5, 5) + " " + iso.substr(11, 5) : iso.substr(0, 10);
}

// A chart's frame: width 900 by `height`, the plot inside the margins, x over time.
struct Plot {
  double left = 56;
  double right = 884;
  double top = 12;
  double bottom = 0;
  std::int64_t t0 = 0;
  std::int64_t t1 = 0;
  double y_max = 1;
  double X(std::int64_t t) const {
    const double span = static_cast<double>(std::max<std::int64_t>(t1 - t0, 1));
    return left + (right - left) * static_cast<double>(t - t0) / span;
  }
  double Y(double value) const { return bottom - (bottom - top) * value / y_max; }
};

// A round upper bound for an axis: 1, 2 or 5 times a power of ten.
double NiceMax(double value) {
  if (value <= 0) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {1.0, 2.0, 5.0, 10.0}) {
    if (value <= step * power) return step * power;
  }
  return 10 * power;
}

// Five time labels under a plot; a label equal to the one before is left out (a span of
// minutes shows one time, not five copies of it).
std::string TimeTicks(const Plot& plot, double height) {
  std::string svg;
  std::string last;
  for (int i = 0; i <= 4; ++i) {
    const std::int64_t t = plot.t0 + (plot.t1 - plot.t0) * i / 4;
    const std::string label = DateOf(t, plot.t1 - plot.t0);
    if (label == last) continue;
    last = label;
    const char* anchor = i == 0 ? "start" : i == 4 ? "end" : "middle";
    svg += Format("<text x='%.1f' y='%.1f' class='tick' text-anchor='", plot.X(t), height - 6) +
           anchor + "'>" + label + "</text>";
  }
  return svg;
}

std::string Axes(const Plot& plot, const char* unit, double height) {
  std::string svg;
  for (int i = 0; i <= 4; ++i) {
    const double value = plot.y_max * i / 4;
    const double y = plot.Y(value);
    svg += Format("<line x1='%.1f' x2='%.1f' y1='%.1f' y2='%.1f' class='grid'/>", plot.left,
                  plot.right, y, y);
    svg += Format("<text x='%.1f' y='%.1f' class='tick' text-anchor='end'>", plot.left - 6, y + 4) +
           Format("%.4g", value) + "</text>";
  }
  svg += Format(
             "<text x='12' y='%.1f' class='unit' transform='rotate(-90 12 %.1f)' "
             "text-anchor='middle'>",
             (plot.top + plot.bottom) / 2, (plot.top + plot.bottom) / 2) +
         std::string(unit) + "</text>";
  return svg + TimeTicks(plot, height);
}

std::string Svg(double height, const std::string& label, const std::string& body) {
  return Format("<svg viewBox='0 0 900 %.0f' role='img' aria-label='", height) + Escape(label) +
         "'>" + body + "</svg>\n";
}

std::string SampleCharts(const std::vector<SampleRow>& rows) {
  std::int64_t t0 = EstimatedUtcStart(rows.front());
  std::int64_t t1 = t0;
  double volume_max = 0;
  double pressure_max = 0;
  for (const SampleRow& row : rows) {
    t0 = std::min(t0, EstimatedUtcStart(row));
    t1 = std::max(t1, EstimatedUtcStart(row));
    volume_max = std::max(volume_max, double{row.entry.volume});
    pressure_max = std::max(pressure_max, double{row.entry.max_pressure});
  }
  constexpr double kHeight = 220;
  const Plot volume{56, 884, 12, kHeight - 26, t0, t1, NiceMax(volume_max)};
  const Plot pressure{56, 884, 12, kHeight - 26, t0, t1, NiceMax(pressure_max)};
  const double bar = std::clamp(700.0 / static_cast<double>(rows.size()), 1.0, 8.0);
  std::string bars = Axes(volume, "litres", kHeight);
  std::string dots = Axes(pressure, "bar", kHeight);
  for (const SampleRow& row : rows) {
    const double x = volume.X(EstimatedUtcStart(row));
    const double y = volume.Y(row.entry.volume);
    const char* colour = ColourOf(row.entry.stop_reason);
    const std::string title =
        "<title>cartridge " + std::to_string(row.entry.cartridge_id) + ", " +
        IsoUtc(EstimatedUtcStart(row)) + ", " +
        Format("%.3f L, %.3f bar, ", row.entry.volume, row.entry.max_pressure) +
        std::string(StopReasonName(row.entry.stop_reason)) + "</title>";
    bars += Format("<rect x='%.1f' y='%.1f' width='%.1f' height='%.1f' fill='", x - bar / 2, y, bar,
                   volume.bottom - y) +
            colour + "'>" + title + "</rect>";
    dots += Format("<circle cx='%.1f' cy='%.1f' r='2.6' fill='", x,
                   pressure.Y(row.entry.max_pressure)) +
            colour + "'>" + title + "</circle>";
  }
  return "<h3>Volume pumped per cartridge</h3>\n" + Svg(kHeight, "Volume per sample", bars) +
         "<h3>Maximum pressure per sample</h3>\n" + Svg(kHeight, "Maximum pressure", dots);
}

std::string Legend(const std::vector<SampleRow>& rows) {
  std::map<std::uint8_t, int> counts;
  for (const SampleRow& row : rows) ++counts[row.entry.stop_reason];
  std::string html = "<p class='legend'>";
  for (const Outcome& outcome : kOutcomes) {
    html += std::string("<span><i style='background:") + outcome.colour + "'></i>" +
            std::string(StopReasonName(outcome.stop_reason)) + " " +
            std::to_string(counts[outcome.stop_reason]) + "</span>";
  }
  int other = 0;
  for (const auto& [reason, count] : counts) {
    if (ColourOf(reason) == kOtherColour) other += count;
  }
  if (other > 0) {
    html += std::string("<span><i style='background:") + kOtherColour + "'></i>other " +
            std::to_string(other) + "</span>";
  }
  return html + "</p>\n";
}

std::string ClockChart(const std::vector<DownloadRow>& downloads) {
  std::vector<const DownloadRow*> measured;
  for (const DownloadRow& row : downloads) {
    if (row.clock_offset_s) measured.push_back(&row);
  }
  if (measured.empty()) return "<p>No download read a valid clock.</p>\n";
  std::int64_t t0 = measured.front()->started_utc;
  std::int64_t t1 = t0;
  double largest = 0;
  for (const DownloadRow* row : measured) {
    t0 = std::min(t0, row->started_utc);
    t1 = std::max(t1, row->started_utc);
    largest = std::max(largest, std::fabs(static_cast<double>(*row->clock_offset_s)));
  }
  constexpr double kHeight = 180;
  // Symmetric about zero: ahead above the line, behind below it.
  const double limit = NiceMax(std::max(largest, 5.0));
  const Plot plot{56, 884, 12, kHeight - 26, t0, t1 == t0 ? t0 + 86400 : t1, 2 * limit};
  std::string svg;
  for (int i = 0; i <= 4; ++i) {
    const double value = -limit + 2 * limit * i / 4;
    const double y = plot.Y(value + limit);
    svg += Format("<line x1='%.1f' x2='%.1f' y1='%.1f' y2='%.1f' class='", plot.left, plot.right, y,
                  y) +
           (i == 2 ? "zero" : "grid") + "'/>";
    svg += Format("<text x='%.1f' y='%.1f' class='tick' text-anchor='end'>%+.4g</text>",
                  plot.left - 6, y + 4, value);
  }
  svg += Format(
      "<text x='12' y='%.1f' class='unit' transform='rotate(-90 12 %.1f)' "
      "text-anchor='middle'>seconds</text>",
      (plot.top + plot.bottom) / 2, (plot.top + plot.bottom) / 2);
  svg += TimeTicks(plot, kHeight);
  for (const DownloadRow* row : measured) {
    const double offset = std::clamp(static_cast<double>(*row->clock_offset_s), -limit, limit);
    svg += Format("<circle cx='%.1f' cy='%.1f' r='3.5' class='clock'>", plot.X(row->started_utc),
                  plot.Y(offset + limit)) +
           "<title>" + IsoUtc(row->started_utc) + ": " + std::to_string(*row->clock_offset_s) +
           " s</title></circle>";
  }
  return Svg(kHeight, "Clock offset per download", svg);
}

std::string NotCompleted(const std::vector<SampleRow>& rows) {
  std::string table;
  int count = 0;
  for (const SampleRow& row : rows) {
    if (row.entry.stop_reason == kStopComplete) continue;
    ++count;
    table += "<tr><td>" + IsoUtc(EstimatedUtcStart(row)) + "</td><td class='n'>" +
             std::to_string(row.entry.cartridge_id) + "</td><td class='n'>" +
             std::to_string(row.entry.duration) + "</td><td class='n'>" +
             Format("%.3f", row.entry.volume) + "</td><td class='n'>" +
             Format("%.3f", row.entry.max_pressure) + "</td><td>" +
             std::string(TreatmentName(row.entry.treatment)) +
             "</td><td><i style='background:" + ColourOf(row.entry.stop_reason) + "'></i>" +
             std::string(StopReasonName(row.entry.stop_reason)) + "</td></tr>\n";
  }
  if (count == 0) return "<p>Every sample completed.</p>\n";
  return "<table><thead><tr><th>Start (UTC)</th><th>Cartridge</th><th>Duration (s)</th>"
         "<th>Volume (L)</th><th>Max pressure (bar)</th><th>Treatment</th><th>Stop reason</th>"
         "</tr></thead><tbody>\n" +
         table + "</tbody></table>\n";
}

constexpr const char* kStyle = R"css(
body{font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,Arial,sans-serif;color:#1b1b1b;
max-width:960px;margin:24px auto;padding:0 16px}
h1{font-size:22px;margin:0 0 4px}h2{font-size:18px;margin:32px 0 4px;border-bottom:2px solid #ddd;
padding-bottom:4px}h3{font-size:14px;margin:18px 0 4px;color:#444}
.meta{color:#555;margin:0}svg{width:100%;height:auto;display:block}
.grid{stroke:#e4e4e4;stroke-width:1}.zero{stroke:#999;stroke-width:1}
.tick{font-size:11px;fill:#555}.unit{font-size:11px;fill:#555}.clock{fill:#5e35b1}
.legend span{margin-right:16px;white-space:nowrap}
i{display:inline-block;width:10px;height:10px;border-radius:2px;margin-right:5px;vertical-align:-1px}
table{border-collapse:collapse;width:100%;font-size:13px}th,td{padding:3px 8px;
border-bottom:1px solid #e4e4e4;text-align:left}th{background:#f4f4f4}td.n{text-align:right}
section{break-inside:avoid-page}
@media print{body{margin:0;max-width:none;font-size:11px}h2{break-before:page}
section:first-of-type h2{break-before:auto}tr{break-inside:avoid}
*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}
)css";

}  // namespace

std::string ReportHtml(Archive& archive, std::optional<std::int64_t> serial, std::int64_t now_utc) {
  std::string html =
      "<!DOCTYPE html>\n<html lang='en'><head><meta charset='utf-8'>"
      "<meta name='viewport' content='width=device-width, initial-scale=1'>"
      "<title>Sample report</title><style>" +
      std::string(kStyle) + "</style></head><body>\n<h1>Sample report</h1>\n<p class='meta'>" +
      "Made " + IsoUtc(now_utc) + " from " + Escape(archive.path) + "</p>\n";
  const std::vector<InstrumentRow> instruments = ReadInstruments(archive);
  bool any = false;
  for (const InstrumentRow& instrument : instruments) {
    if (serial && instrument.serial != *serial) continue;
    any = true;
    const std::vector<SampleRow> rows = ReadSamples(archive, {instrument.serial, std::nullopt});
    const std::vector<DownloadRow> downloads = ReadDownloads(archive, instrument.serial);
    html += "<section>\n<h2>" + std::to_string(instrument.serial) + " " + Escape(instrument.name) +
            "</h2>\n<p class='meta'>" + Escape(instrument.device_text) + " &middot; " +
            std::to_string(rows.size()) + " samples &middot; " + std::to_string(downloads.size()) +
            " downloads &middot; last seen " + IsoUtc(instrument.last_seen_utc) + "</p>\n";
    if (rows.empty()) {
      html += "<p>No samples collected.</p>\n";
    } else {
      html += Legend(rows) + SampleCharts(rows);
    }
    html += "<h3>Clock offset per download (instrument minus UTC)</h3>\n" + ClockChart(downloads);
    html += "<h3>Samples that did not complete</h3>\n" + NotCompleted(rows) + "</section>\n";
  }
  if (!any) html += "<p>The archive holds no such instrument.</p>\n";
  return html + "</body></html>\n";
}

}  // namespace tq::archive
