// A small writer of SVG pictures: shapes, polylines and text with their
// styles, numbers written the same way on every host and locale.
#pragma once

#include <string>
#include <vector>

namespace zyvscope::svg {

struct Point {
  double x, y;
};

struct Style {
  std::string stroke = "none";
  std::string fill = "none";
  double strokeWidth = 1.0;
  std::string dash;      // stroke-dasharray, e.g. "2 4"
  double opacity = 1.0;  // of the whole shape
};

struct TextStyle {
  std::string fill = "#ffffff";
  double size = 14.0;
  std::string anchor = "start";  // start, middle, end
  std::string weight = "normal";
  std::string family = "DejaVu Sans Mono, Consolas, monospace";
};

// Text for element content or attribute values, with &, <, >, " and '
// replaced by their entities.
std::string escape(const std::string& text);

// A number in the shortest fixed form with at most `decimals` decimals, a
// point as separator and no trailing zeros ("12.5", "-3", "0.25").
std::string number(double value, int decimals = 2);

class Document {
 public:
  Document(double width, double height, const std::string& title = "");

  void rect(double x, double y, double width, double height, const Style& style, double cornerRadius = 0.0);
  void line(double x1, double y1, double x2, double y2, const Style& style);
  void polyline(const std::vector<Point>& points, const Style& style);
  void polygon(const std::vector<Point>& points, const Style& style);
  void text(double x, double y, const std::string& content, const TextStyle& style);

  // Everything drawn between these is clipped to the rectangle.
  void beginClip(double x, double y, double width, double height);
  void endClip();

  // The complete document.
  std::string str() const;
  // Writes the document; false when the file cannot be written.
  bool save(const std::string& path) const;

 private:
  static std::string styleAttributes(const Style& style);
  double width_, height_;
  std::string title_;
  std::string defs_;
  std::string body_;
  int clips_ = 0;
  int open_ = 0;
};

}  // namespace zyvscope::svg
