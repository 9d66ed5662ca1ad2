#include "review_page.hpp"

#include "sign_options.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace qrvx::batch {
namespace {

// Faces are drawn side by side at one scale, up to this many times their size, together within
// this many CSS pixels.
constexpr std::uint32_t largestScale = 4;
constexpr std::uint32_t picturesAcross = 1000;

// Thousands of rows stay quick because the browser lays out only the rows near the screen
// (content-visibility), guessing the others' height until it has seen them.
constexpr std::string_view style = R"(
:root { color-scheme: dark; --page: #111317; --card: #1b1e24; --line: #2c3038; --text: #e8e8ea;
  --muted: #99a0aa; --fit: #f2b33d; --fit-back: #3d3113; --bad: #ff7070; --bad-back: #421c1e;
  --new: #7cc6ff; --new-back: #14304a; --route: #e8e8ea; --route-text: #111317; }
@media (prefers-color-scheme: light) {
  :root { color-scheme: light; --page: #eef0f3; --card: #ffffff; --line: #d3d7de;
    --text: #15171b; --muted: #5b626d; --fit: #8a5a00; --fit-back: #fdefcf; --bad: #b42323;
    --bad-back: #fbe1e1; --new: #0d5aa7; --new-back: #dcebfb; --route: #15171b;
    --route-text: #ffffff; }
}
body { margin: 0; background: var(--page); color: var(--text); display: flex;
  flex-direction: column; font: 15px/1.45 system-ui, "DejaVu Sans", sans-serif; }
/* The summary is written last and shown first. */
header { order: -1; position: sticky; top: 0; z-index: 1; background: var(--page);
  padding: 14px 24px 10px; border-bottom: 1px solid var(--line); }
h1 { margin: 0; font-size: 22px; font-weight: 600; }
header p { margin: 4px 0 8px; color: var(--muted); }
header a { color: inherit; }
.count { color: var(--text); font-weight: 600; }
.filters { display: flex; flex-wrap: wrap; gap: 6px; align-items: center; }
.filters > span { color: var(--muted); font-size: 13px; }
.filters button { background: var(--card); color: var(--text); border: 1px solid var(--line);
  border-radius: 14px; padding: 2px 10px; font: inherit; font-size: 13px; cursor: pointer; }
.filters button[aria-pressed="true"] { background: var(--fit-back); border-color: var(--fit); }
.filters button[hidden] { display: none; }
.filters button span { color: var(--muted); margin-left: 4px; }
.filters input { background: var(--card); color: var(--text); border: 1px solid var(--line);
  border-radius: 6px; padding: 3px 8px; font: inherit; min-width: 16em; margin-left: 6px; }
main { padding: 10px 24px 30px; }
.sign { background: var(--card); border-radius: 8px; border-left: 4px solid var(--line);
  margin: 0 0 10px; padding: 10px 16px; content-visibility: auto; scroll-margin-top: 190px; }
.sign.marked { border-left-color: var(--fit); }
.sign.refused { border-left-color: var(--bad); }
.sign[hidden] { display: none; }
h2 { margin: 0 0 6px; font-size: 16px; display: flex; gap: 10px; align-items: baseline;
  flex-wrap: wrap; }
h2 a { color: var(--text); text-decoration: none; font-family: ui-monospace, "DejaVu Sans Mono",
  monospace; }
.route { background: var(--route); color: var(--route-text); border-radius: 4px; padding: 0 6px;
  font-size: 14px; font-weight: 600; }
.row { color: var(--muted); font-size: 12px; font-weight: 400; }
.faces { display: flex; flex-wrap: wrap; gap: 8px 16px; align-items: flex-end; }
.face { margin: 0; }
.face figcaption { color: var(--muted); font-size: 12px; margin-bottom: 3px; }
.face img { display: block; image-rendering: pixelated; background: #000; padding: 4px;
  border-radius: 3px; }
.missing { box-sizing: content-box; padding: 4px; display: flex; align-items: center;
  justify-content: center; color: var(--bad); font-size: 12px; border: 1px dashed var(--bad);
  margin: -1px; border-radius: 3px; overflow: hidden; }
ul { list-style: none; margin: 8px 0 0; padding: 0; display: flex; flex-wrap: wrap;
  gap: 2px 16px; align-items: baseline; }
ul + ul { margin-top: 2px; }
/* The face's name in a column of its own, so that wrapped lines stay beside it. */
ul[data-face] { position: relative; padding-left: 4.5em; }
ul[data-face]::before { content: attr(data-face); position: absolute; left: 0; top: 0;
  color: var(--muted); font-size: 12px; line-height: 22px; max-width: 4em; overflow: hidden;
  text-overflow: ellipsis; white-space: nowrap; }
.font { color: var(--muted); font-size: 13px; margin-left: 6px; }
.badge { display: inline-block; margin-left: 6px; padding: 0 8px; border-radius: 10px;
  font-size: 12px; font-weight: 600; background: var(--fit-back); color: var(--fit); }
.badge.fit-clipped, .badge.refused { background: var(--bad-back); color: var(--bad); }
.badge.note { background: var(--line); color: var(--muted); }
.badge.change { background: var(--new-back); color: var(--new); }
.reason, .warning { margin: 4px 0 0; color: var(--bad); font-size: 13px; }
.reason .badge { margin: 0 6px 0 0; }
.warning { color: var(--fit); }
footer { padding: 0 24px 30px; color: var(--muted); }
)";

// Filters by the classes rows carry; a search over what each row says of itself, in any case and
// with or without accents. Only rows whose state changes are touched.
constexpr std::string_view script = R"(
const fold = (text) => text.normalize('NFD').replace(/\p{M}/gu, '').toLowerCase();
const rows = [...document.querySelectorAll('main .sign')];
const texts = rows.map((row) => fold(row.dataset.search));
const buttons = [...document.querySelectorAll('.filters button')];
const search = document.querySelector('.filters input');
const shown = document.querySelector('#shown');
let active = 'all';
function apply() {
  const words = fold(search.value).split(/\s+/).filter(Boolean);
  let count = 0;
  rows.forEach((row, i) => {
    const visible = (active === 'all' || row.classList.contains(active)) &&
      words.every((word) => texts[i].includes(word));
    if (row.hidden === visible) row.hidden = !visible;
    count += visible ? 1 : 0;
  });
  shown.textContent = count;
}
for (const button of buttons) {
  const kind = button.dataset.filter;
  const count =
    kind === 'all' ? rows.length : rows.filter((row) => row.classList.contains(kind)).length;
  button.querySelector('span').textContent = count;
  button.hidden = count === 0 && kind !== 'all';
  button.addEventListener('click', () => {
    active = kind;
    for (const other of buttons) other.setAttribute('aria-pressed', String(other === button));
    apply();
  });
}
search.addEventListener('input', apply);
apply();
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

// The filters, in the order they are offered: a class of rows and its name; between these,
// one for each compromise of stepLabels.
using Filter = std::pair<std::string_view, std::string_view>;
constexpr std::array<Filter, 3> leadingFilters{
    {{"all", "all"}, {"refused", "refused"}, {"marked", "marked for a look"}}};
constexpr std::array<Filter, 3> trailingFilters{
    {{"noted", "notes"}, {"change-new", "new"}, {"change-changed", "changed"}}};

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

std::string_view changeName(Change change) {
    switch (change) {
    case Change::added:
        return "new";
    case Change::changed:
        return "changed";
    default:
        return "unchanged";
    }
}

void addClass(std::vector<std::string> &classes, std::string name) {
    if (std::ranges::find(classes, name) == classes.end()) {
        classes.push_back(std::move(name));
    }
}

const std::vector<const text::LineReport *> reportLines(const text::Sign &sign) {
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
    std::string item = "<li><span class=\"" + std::string(route ? "route" : "text") + "\">" +
                       escapeHtml(line.text) + "</span><span class=\"font\">" +
                       escapeHtml(line.font) + "</span>";
    for (const text::FitStep step : line.steps) {
        item += badge(step);
    }
    return item + "</li>";
}

std::string routeOf(const SignRequest &request) {
    const std::vector<std::string> *route = valuesOf(request, "route");
    return route ? route->front() : std::string();
}

std::string count(std::uint64_t number, std::string_view what) {
    return "<span class=\"count\">" + std::to_string(number) + "</span> " + std::string(what);
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

ReviewPage::ReviewPage(std::string listName, std::vector<PageFace> faces)
    : listName_(std::move(listName)), faces_(std::move(faces)) {
    std::uint32_t across = 0;
    for (const PageFace &face : faces_) {
        across += face.width;
        tallest_ = std::max(tallest_, face.height);
    }
    scale_ = std::clamp<std::uint32_t>(picturesAcross / std::max(across, 1u), 1, largestScale);
}

std::string ReviewPage::start() const {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
           escapeHtml(listName_) + ": signs for review</title>\n<style>" + std::string(style) +
           ".sign { contain-intrinsic-size: auto " + std::to_string(rowHeightGuess()) +
           "px; }\n</style>\n</head>\n<body>\n<main>\n";
}

// The height of a row with a line of text a face: its title, the captions and pictures, the
// lines below and the padding.
std::uint32_t ReviewPage::rowHeightGuess() const {
    return 30 + 21 + tallest_ * scale_ + 8 + 24 * static_cast<std::uint32_t>(faces_.size()) + 20;
}

std::string ReviewPage::row(const RowOutcome &outcome,
                            std::span<const std::string> pictures) const {
    const Row &row = *outcome.row;
    std::vector<std::string> classes{"sign"};
    const std::string route = routeOf(row.request);
    std::string search = row.code + " " + route;
    for (const std::string &line : row.request.lines) {
        search += " " + line;
    }
    std::string faces;
    std::string details;
    for (std::size_t i = 0; i < outcome.faces.size(); ++i) {
        const FaceOutcome &face = outcome.faces[i];
        const PageFace &shape = faces_[std::min(i, faces_.size() - 1)];
        const std::string width = std::to_string(shape.width * scale_);
        const std::string height = std::to_string(shape.height * scale_);
        faces += "<figure class=\"face\">";
        if (!shape.name.empty()) {
            faces += "<figcaption>" + escapeHtml(shape.name) + "</figcaption>";
        }
        if (face.refusal) {
            addClass(classes, "refused");
            faces += "<div class=\"missing\" style=\"width:" + width + "px;min-height:" + height +
                     "px\">no sign</div>";
            details += "<p class=\"reason\"><span class=\"badge refused\">refused</span> " +
                       escapeHtml((shape.name.empty() ? "" : shape.name + ": ") + *face.refusal) +
                       "</p>";
        } else if (i < pictures.size() && !pictures[i].empty()) {
            faces += "<img src=\"" + escapeHtml(pictures[i]) + "\" loading=\"lazy\" width=\"" +
                     width + "\" height=\"" + height + "\" alt=\"" +
                     escapeHtml(std::string(face.sign)) + "\">";
            if (face.made == nullptr) {
                faces += "</figure>";
                continue; // drawn by an earlier row of the route
            }
            if (face.marked) {
                addClass(classes, "marked");
            }
            if (face.change != Change::unchanged) {
                addClass(classes, "change-" + std::string(changeName(face.change)));
            }
            details +=
                shape.name.empty() ? "<ul>" : "<ul data-face=\"" + escapeHtml(shape.name) + "\">";
            for (const text::LineReport *line : reportLines(*face.made)) {
                for (const text::FitStep step : line->steps) {
                    addClass(classes, stepClass(step));
                }
                details +=
                    lineItem(*line, face.made->report.route && line == &*face.made->report.route);
            }
            details += "</ul>";
            for (const std::string &warning : face.made->report.warnings) {
                details += "<p class=\"warning\">" + escapeHtml(warning) + "</p>";
            }
        }
        faces += "</figure>";
    }
    if (!row.notes.empty()) {
        addClass(classes, "noted");
    }
    std::string html = "<article id=\"sign-" + escapeHtml(row.code) + "\" class=\"";
    for (const std::string &name : classes) {
        html += (name == classes.front() ? "" : " ") + name;
    }
    html += "\" data-search=\"" + escapeHtml(search) + "\"><h2><a href=\"#sign-" +
            escapeHtml(row.code) + "\">" + escapeHtml(row.code) + "</a>";
    if (!route.empty()) {
        html += "<span class=\"route\">" + escapeHtml(route) + "</span>";
    }
    for (const std::string &note : row.notes) {
        html += "<span class=\"badge note\">" + escapeHtml(note) + "</span>";
    }
    for (const FaceOutcome &face : outcome.faces) {
        if (face.made != nullptr && face.change != Change::unchanged) {
            html +=
                "<span class=\"badge change\">" + std::string(changeName(face.change)) + "</span>";
            break;
        }
    }
    if (row.line != 0) {
        html += "<span class=\"row\">" + escapeHtml(listName_) + ":" + std::to_string(row.line) +
                "</span>";
    }
    return html + "</h2><div class=\"faces\">" + faces + "</div>" + details + "</article>\n";
}

std::string ReviewPage::end(const Summary &summary, std::span<const std::string> removed) const {
    std::string html = "</main>\n";
    if (!removed.empty()) {
        html += "<footer id=\"removed\"><h2>Removed since the last run</h2><p>";
        for (const std::string &name : removed) {
            html += escapeHtml(name) + " ";
        }
        html += "</p></footer>\n";
    }
    html +=
        "<header><h1>" + escapeHtml(listName_) + "</h1><p>" + count(summary.rows, "rows") + ": " +
        count(summary.signs, "signs made") + ", " + count(summary.marked, "marked for a look") +
        ", " + count(summary.refused, "refused") + "; since the last run " +
        count(summary.added, "new") + ", " + count(summary.changed, "changed") + ", " +
        count(summary.unchanged, "unchanged") + ", " +
        (removed.empty() ? count(summary.removed, "removed")
                         : "<a href=\"#removed\">" + count(summary.removed, "removed") + "</a>") +
        ". Each sign is drawn at its pixels, " + std::to_string(scale_) +
        " times its size; <span id=\"shown\">" + std::to_string(summary.rows) +
        "</span> rows shown.</p><div class=\"filters\"><span>Rows:</span>";
    const auto button = [&](std::string_view kind, std::string_view label) {
        html += "<button type=\"button\" data-filter=\"" + std::string(kind) +
                "\" aria-pressed=\"" + (kind == "all" ? "true" : "false") + "\">" +
                std::string(label) + "<span></span></button>";
    };
    for (const auto &[kind, label] : leadingFilters) {
        button(kind, label);
    }
    for (const StepLabel &step : stepLabels) {
        if (step.needsALook) {
            button(stepClass(step.step), step.label);
        }
    }
    for (const auto &[kind, label] : trailingFilters) {
        button(kind, label);
    }
    return html + "<input type=\"search\" placeholder=\"code, route or text\" " +
           "aria-label=\"Search the signs\"></div></header>\n<script>" + std::string(script) +
           "</script>\n</body>\n</html>\n";
}

} // namespace qrvx::batch
