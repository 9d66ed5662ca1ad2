#include "review_page.hpp"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace qrvx::cli {
namespace {

// Signs are drawn up to this many times their size, within this many CSS pixels.
constexpr std::uint32_t largestScale = 4;
constexpr std::uint32_t widestPicture = 640;

constexpr std::string_view style = R"(
:root { color-scheme: dark; --page: #111317; --card: #1b1e24; --text: #e8e8ea; --muted: #99a0aa;
  --fit: #f2b33d; --fit-back: #3d3113; --bad: #ff7070; --bad-back: #421c1e; }
body { margin: 0; padding: 18px 24px 30px; background: var(--page); color: var(--text);
  font: 15px/1.45 system-ui, "DejaVu Sans", sans-serif; }
/* A table, so that the pictures and the facts line up from sign to sign. */
main { display: table; border-spacing: 0 10px; max-width: 1180px; margin: 0 auto; }
.summary { display: table-caption; caption-side: top; padding: 10px 0 4px; }
h1 { margin: 0; font-size: 22px; font-weight: 600; }
.summary p { margin: 4px 0 0; color: var(--muted); }
.summary .count { color: var(--text); font-weight: 600; }
.sign { display: table-row; }
.sign > div { display: table-cell; vertical-align: middle; background: var(--card);
  padding: 14px 18px; }
.sign > div:first-child { border-radius: 8px 0 0 8px; border-left: 4px solid #2c3038; }
.sign > div:last-child { border-radius: 0 8px 8px 0; width: 100%; padding-left: 4px; }
.sign.marked > div:first-child { border-left-color: var(--fit); }
.sign.refused > div:first-child { border-left-color: var(--bad); }
.picture img { display: block; image-rendering: pixelated; background: #000; padding: 6px;
  border-radius: 4px; }
.missing { min-width: 240px; padding: 14px 0; text-align: center; color: var(--bad);
  border: 1px dashed var(--bad); border-radius: 4px; }
h2 { margin: 0 0 4px; font-size: 16px; display: flex; gap: 10px; align-items: baseline;
  flex-wrap: wrap; }
h2 a { color: var(--text); text-decoration: none; font-family: ui-monospace, "DejaVu Sans Mono",
  monospace; }
.route { background: #e8e8ea; color: #111; border-radius: 4px; padding: 0 6px; font-size: 14px;
  font-weight: 600; }
.row { color: var(--muted); font-size: 12px; font-weight: 400; }
ul { list-style: none; margin: 0; padding: 0; }
li { margin: 2px 0; }
.text { font-weight: 500; }
.font { color: var(--muted); font-size: 13px; margin-left: 6px; }
.badge { display: inline-block; margin-left: 6px; padding: 0 8px; border-radius: 10px;
  font-size: 12px; font-weight: 600; background: var(--fit-back); color: var(--fit); }
.badge.fit-clipped, .badge.refused { background: var(--bad-back); color: var(--bad); }
.badge.note { background: #2c3038; color: var(--muted); }
.reason, .warning { margin: 4px 0 0; color: var(--bad); }
.warning { color: var(--fit); }
)";

// What fitting did, and whether a sign maker must look at it: a later regular face of the list,
// or a line broken in two, is what the list asks for; a condensed face, tighter letters or
// spaces, a short wording, an abbreviation or a cut are compromises.
struct StepLabel {
    text::FitStep step;
    std::string_view label;
    bool needsALook;
};
constexpr std::array<StepLabel, 8> stepLabels = {{
    {text::FitStep::nextFont, "next font", false},
    {text::FitStep::condensedFace, "condensed face", true},
    {text::FitStep::lessSpacing, "spacing reduced", true},
    {text::FitStep::narrowerSpaces, "spaces narrowed", true},
    {text::FitStep::brokenIntoLines, "broken into lines", false},
    {text::FitStep::shortWording, "short wording", true},
    {text::FitStep::abbreviated, "abbreviated", true},
    {text::FitStep::clipped, "clipped", true},
}};

const StepLabel *labelOf(text::FitStep step) {
    const auto found = std::ranges::find(stepLabels, step, &StepLabel::step);
    return found != stepLabels.end() ? &*found : nullptr;
}

bool needsALook(text::FitStep step) {
    const StepLabel *label = labelOf(step);
    return label == nullptr || label->needsALook;
}

std::string stepClass(text::FitStep step) {
    return "fit-" + std::string(text::fitStepName(step));
}

std::string badge(text::FitStep step) {
    const StepLabel *label = labelOf(step);
    return "<span class=\"badge " + stepClass(step) + (needsALook(step) ? "" : " note") + "\">" +
           escapeHtml(label != nullptr ? label->label : text::fitStepName(step)) + "</span>";
}

// The report's lines and route, the route first when it is drawn at the start.
std::vector<const text::LineReport *> reportLines(const text::Sign &sign) {
    std::vector<const text::LineReport *> lines;
    for (const text::LineReport &line : sign.report.lines) {
        lines.push_back(&line);
    }
    if (sign.report.route) {
        lines.push_back(&*sign.report.route);
    }
    return lines;
}

std::string lineItem(const text::LineReport &line, bool route) {
    std::string item = "<li>";
    item += route ? "<span class=\"route\">" : "<span class=\"text\">";
    item +=
        escapeHtml(line.text) + "</span><span class=\"font\">" + escapeHtml(line.font) + "</span>";
    // A step tried twice (the next font, then again once broken) is named once.
    std::vector<text::FitStep> named;
    for (const text::FitStep step : line.steps) {
        if (std::ranges::find(named, step) == named.end()) {
            named.push_back(step);
            item += badge(step);
        }
    }
    return item + "</li>";
}

std::string routeOf(const SignRequest &request) {
    const auto route = request.options.find("route");
    return route != request.options.end() && !route->second.empty() ? route->second.front()
                                                                    : std::string();
}

std::string heading(const ReviewEntry &entry) {
    const std::string code = escapeHtml(entry.code);
    std::string text = "<h2><a href=\"#sign-" + code + "\">" + code + "</a>";
    if (const std::string route = routeOf(*entry.request); !route.empty()) {
        text += "<span class=\"route\">" + escapeHtml(route) + "</span>";
    }
    return text + "<span class=\"row\">" + escapeHtml(entry.listName) + ":" +
           std::to_string(entry.line) + "</span></h2>";
}

std::string picture(const ReviewEntry &entry) {
    const text::Sign &sign = *entry.sign;
    const std::uint32_t scale =
        std::clamp<std::uint32_t>(widestPicture / std::max(sign.width, 1u), 1, largestScale);
    std::string alt;
    for (const text::LineReport &line : sign.report.lines) {
        alt += (alt.empty() ? "" : " / ") + line.text;
    }
    return "<div class=\"picture\"><img src=\"" + escapeHtml(entry.code) + ".png\" width=\"" +
           std::to_string(sign.width * scale) + "\" height=\"" +
           std::to_string(sign.height * scale) + "\" alt=\"" + escapeHtml(alt) + "\"></div>";
}

std::string madeEntry(const ReviewEntry &entry) {
    const text::Sign &sign = *entry.sign;
    std::vector<std::string> classes = {"sign"};
    if (markedForALook(sign)) {
        classes.emplace_back("marked");
    }
    for (const auto *line : reportLines(sign)) {
        for (const text::FitStep step : line->steps) {
            if (std::ranges::find(classes, stepClass(step)) == classes.end()) {
                classes.push_back(stepClass(step));
            }
        }
    }
    std::string html = "<article id=\"sign-" + escapeHtml(entry.code) + "\" class=\"";
    for (const std::string &name : classes) {
        html += (name == classes.front() ? "" : " ") + name;
    }
    html += "\">" + picture(entry) + "<div>" + heading(entry) + "<ul>";
    for (const auto *line : reportLines(sign)) {
        html += lineItem(*line, sign.report.route && line == &*sign.report.route);
    }
    html += "</ul>";
    for (const std::string &warning : sign.report.warnings) {
        html += "<p class=\"warning\">" + escapeHtml(warning) + "</p>";
    }
    return html + "</div></article>\n";
}

std::string refusedEntry(const ReviewEntry &entry) {
    std::string html =
        "<article id=\"sign-" + escapeHtml(entry.code) +
        "\" class=\"sign refused\"><div><div class=\"missing\">no sign</div></div><div>" +
        heading(entry) + "<ul>";
    for (const std::string &line : entry.request->lines) {
        html += "<li><span class=\"text\">" + escapeHtml(line) + "</span></li>";
    }
    return html + "</ul><p class=\"reason\"><span class=\"badge refused\">refused</span> " +
           escapeHtml(entry.reason) + "</p></div></article>\n";
}

std::string count(std::uint64_t number, std::string_view one, std::string_view many) {
    return "<span class=\"count\">" + std::to_string(number) + "</span> " +
           std::string(number == 1 ? one : many);
}

} // namespace

std::string escapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

bool markedForALook(const text::Sign &sign) {
    const auto stepped = [](const text::LineReport &line) {
        return std::ranges::any_of(line.steps, [](text::FitStep step) { return needsALook(step); });
    };
    return std::ranges::any_of(sign.report.lines, stepped) ||
           (sign.report.route && stepped(*sign.report.route)) || !sign.report.warnings.empty();
}

std::string reviewPageStart(std::string_view listName) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
           escapeHtml(listName) + ": signs for review</title>\n<style>" + std::string(style) +
           "</style>\n</head>\n<body>\n<main>\n";
}

std::string reviewEntry(const ReviewEntry &entry) {
    return entry.sign != nullptr ? madeEntry(entry) : refusedEntry(entry);
}

std::string reviewPageEnd(std::string_view listName, const ReviewTally &tally) {
    return "<header class=\"summary\"><h1>" + escapeHtml(listName) + "</h1><p>" +
           count(tally.rows, "row", "rows") + ": " +
           count(tally.rows - tally.refused, "sign", "signs") + " made, " +
           count(tally.marked, "marked for a look", "marked for a look") + " (in " +
           "<span class=\"badge\">yellow</span>), " + count(tally.refused, "refused", "refused") +
           " (marked <span class=\"badge refused\">red</span>)." +
           " Each sign is drawn at its pixels, several times its size.</p></header>\n"
           "</main>\n</body>\n</html>\n";
}

} // namespace qrvx::cli
