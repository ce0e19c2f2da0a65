#include "svg.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zyvscope::svg {

std::string escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string number(double value, int decimals) {
  if (!std::isfinite(value)) return "0";
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  std::string s(buffer, end);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

Document::Document(double width, double height, const std::string& title)
    : width_(width), height_(height), title_(title) {}

std::string Document::styleAttributes(const Style& style) {
  std::string a = " stroke=\"" + escape(style.stroke) + "\" fill=\"" + escape(style.fill) + "\"";
  if (style.stroke != "none") a += " stroke-width=\"" + number(style.strokeWidth) + "\"";
  if (!style.dash.empty()) a += " stroke-dasharray=\"" + escape(style.dash) + "\"";
  if (style.opacity < 1.0) a += " opacity=\"" + number(style.opacity, 3) + "\"";
  return a;
}

void Document::rect(double x, double y, double width, double height, const Style& style, double cornerRadius) {
  body_ += "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(width) + "\" height=\"" +
           number(height) + "\"";
  if (cornerRadius > 0) body_ += " rx=\"" + number(cornerRadius) + "\"";
  body_ += styleAttributes(style) + "/>\n";
}

void Document::line(double x1, double y1, double x2, double y2, const Style& style) {
  body_ += "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" +
           number(y2) + "\"" + styleAttributes(style) + "/>\n";
}

namespace {
std::string pointList(const std::vector<Point>& points) {
  std::string s;
  s.reserve(points.size() * 14);
  for (const Point& p : points) {
    if (!s.empty()) s += ' ';
    s += number(p.x) + "," + number(p.y);
  }
  return s;
}
}  // namespace

void Document::polyline(const std::vector<Point>& points, const Style& style) {
  if (points.empty()) return;
  body_ += "<polyline points=\"" + pointList(points) + "\"" + styleAttributes(style) +
           " stroke-linejoin=\"round\"/>\n";
}

void Document::polygon(const std::vector<Point>& points, const Style& style) {
  if (points.empty()) return;
  body_ += "<polygon points=\"" + pointList(points) + "\"" + styleAttributes(style) + "/>\n";
}

void Document::text(double x, double y, const std::string& content, const TextStyle& style) {
  body_ += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" fill=\"" + escape(style.fill) +
           "\" font-size=\"" + number(style.size) + "\" font-family=\"" + escape(style.family) + "\"";
  if (style.anchor != "start") body_ += " text-anchor=\"" + escape(style.anchor) + "\"";
  if (style.weight != "normal") body_ += " font-weight=\"" + escape(style.weight) + "\"";
  body_ += ">" + escape(content) + "</text>\n";
}

void Document::beginClip(double x, double y, double width, double height) {
  const std::string id = "clip" + std::to_string(++clips_);
  defs_ += "<clipPath id=\"" + id + "\"><rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" +
           number(width) + "\" height=\"" + number(height) + "\"/></clipPath>\n";
  body_ += "<g clip-path=\"url(#" + id + ")\">\n";
  ++open_;
}

void Document::endClip() {
  if (open_ == 0) return;
  body_ += "</g>\n";
  --open_;
}

std::string Document::str() const {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width_) + "\" height=\"" + number(height_) +
       "\" viewBox=\"0 0 " + number(width_) + " " + number(height_) + "\">\n";
  if (!title_.empty()) s += "<title>" + escape(title_) + "</title>\n";
  if (!defs_.empty()) s += "<defs>\n" + defs_ + "</defs>\n";
  s += body_;
  for (int i = 0; i < open_; ++i) s += "</g>\n";
  s += "</svg>\n";
  return s;
}

bool Document::save(const std::string& path) const {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const std::string s = str();
  const bool ok = std::fwrite(s.data(), 1, s.size(), f) == s.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace zyvscope::svg
