#include "graphics/svg_canvas.h"

#include "export/png.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

namespace velmora::testing {
namespace {

constexpr Color kRed = rgb(255, 0, 0);

struct Element {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;  // character data directly inside, entities as written
};

// Checks that the document is one well-formed element tree (matching tags, quoted
// attributes, only the five predefined entities, no stray markup) and lists its elements.
std::vector<Element> parse(const std::string& doc, std::string* error) {
  static const std::regex tag(R"re(<(/?)([a-z]+)((?: [A-Za-z:-]+="[^"<]*")*)(/?)>)re");
  static const std::regex attribute(R"re( ([A-Za-z:-]+)="([^"]*)")re");
  static const std::regex badText(R"re([<>]|&(?!(amp|lt|gt|quot|apos);))re");
  std::vector<Element> out;
  std::vector<size_t> open;
  const std::string prolog = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  if (doc.compare(0, prolog.size(), prolog) != 0) *error = "no XML declaration";
  auto at = doc.cbegin() + static_cast<std::ptrdiff_t>(prolog.size());
  for (std::smatch m; error->empty() && std::regex_search(at, doc.cend(), m, tag); at = m[0].second) {
    const std::string text(at, m[0].first);
    if (m.position(0) != 0 && open.empty()) *error = "text outside the root: " + text;
    if (std::regex_search(text, badText)) *error = "bad text: " + text;
    if (!open.empty()) out[open.back()].text += text;
    if (m[1] == "/") {
      if (open.empty() || out[open.back()].name != m[2]) *error = "mismatched " + m.str(0);
      if (!open.empty()) open.pop_back();
      continue;
    }
    if (open.empty() && !out.empty()) *error = "a second root";
    Element e{m[2], {}, {}};
    const std::string attrs = m[3];
    for (std::sregex_iterator a(attrs.begin(), attrs.end(), attribute), end; a != end; ++a) {
      if (std::regex_search((*a)[2].str(), badText)) *error = "bad value " + (*a)[0].str();
      e.attributes[(*a)[1]] = (*a)[2];
    }
    out.push_back(e);
    if (m[4] != "/") open.push_back(out.size() - 1);
  }
  if (error->empty() && (!open.empty() || std::string(at, doc.cend()) != "\n")) {
    *error = "unclosed element or trailing markup";
  }
  return out;
}

std::vector<Element> elements(const SvgCanvas& c, const std::string& name) {
  std::string error;
  std::vector<Element> all = parse(c.document(), &error);
  EXPECT_EQ(error, "");
  std::vector<Element> out;
  for (const Element& e : all) {
    if (e.name == name) out.push_back(e);
  }
  return out;
}

void drawSample(Canvas& c) {
  c.moveTo(0, 0);
  c.lineTo(10, 0);
  c.lineTo(10, 10);
  c.setBrush(Brush{kRed, false});
  c.rectangle(1, 1, 6, 5);
  c.ellipse(0, 0, 7, 3);
  c.setPixel(3, 4, kRed);
  c.setFont(FontSpec{16, 700, false});
  c.textOut(2, 20, "Noise <5> & \"more\" 'x'");
  c.fillRect(Rect{0, 30, 5, 32}, kBlack);
}

TEST(SvgCanvas, SmallDrawingIsWellFormedAndComplete) {
  SvgCanvas c(40, 36);
  drawSample(c);
  std::string error;
  std::vector<Element> all = parse(c.document(), &error);
  ASSERT_EQ(error, "");
  std::string broken = c.document();
  broken.replace(broken.find("</text>"), 7, "</tex>");
  parse(broken, &error);
  EXPECT_NE(error, "");  // the reader does notice a broken document
  std::vector<std::string> names;
  for (const Element& e : all) names.push_back(e.name);
  // Root, the white surface, then the calls in order (the text has its opaque cell).
  EXPECT_EQ(names, (std::vector<std::string>{"svg", "rect", "polyline", "rect", "ellipse", "rect",
                                             "rect", "text", "rect"}));
  EXPECT_EQ(all[0].attributes["width"], "40");
  EXPECT_EQ(all[0].attributes["height"], "36");
  EXPECT_EQ(all[0].attributes["shape-rendering"], "crispEdges");
  EXPECT_EQ(all[1].attributes["fill"], "#ffffff");
  EXPECT_EQ(all[7].text, "Noise &lt;5&gt; &amp; &quot;more&quot; &apos;x&apos;");
  EXPECT_EQ(all[7].attributes["font-weight"], "bold");

  // The same drawing gives the same bytes.
  SvgCanvas again(40, 36);
  drawSample(again);
  EXPECT_EQ(again.document(), c.document());
}

TEST(SvgCanvas, ConsecutiveLinesBecomeOnePolylineThroughPixelCentres) {
  SvgCanvas c(20, 20);
  c.moveTo(0, 0);
  c.lineTo(10, 0);
  c.lineTo(10, 10);
  c.lineTo(10, 10);  // zero length: nothing, and the polyline goes on
  c.lineTo(0, 10);
  c.moveTo(3, 3);  // a new start
  c.lineTo(3, 5);
  c.setPen(Pen{kRed, PenStyle::kDot, 1});  // another pen
  c.lineTo(7, 5);
  c.setPen(Pen{kRed, PenStyle::kNull, 1});
  c.lineTo(9, 9);  // nothing
  std::vector<Element> lines = elements(c, "polyline");
  ASSERT_EQ(lines.size(), 3u);
  // The first pixel from its edge, the end point excluded (half a step before its centre).
  EXPECT_EQ(lines[0].attributes["points"], "0,0.5 10.5,0.5 10.5,10.5 1,10.5");
  EXPECT_EQ(lines[1].attributes["points"], "3.5,3 3.5,5");
  EXPECT_EQ(lines[2].attributes["points"], "3,5.5 7,5.5");
  EXPECT_EQ(lines[2].attributes["stroke"], "#ff0000");
  EXPECT_EQ(lines[2].attributes["stroke-dasharray"], "1 1");
}

TEST(SvgCanvas, ShapesCoverTheRasterBoxes) {
  SvgCanvas c(20, 20);
  c.setBrush(Brush{kRed, false});
  c.rectangle(6, 5, 1, 1);  // outline centred on pixels 1..5 × 1..4
  c.ellipse(0, 0, 7, 3);
  c.setPen(Pen{kBlack, PenStyle::kNull, 1});
  c.rectangle(1, 1, 6, 5);  // one pixel smaller: 1..4 × 1..3
  c.ellipse(0, 0, 7, 3);
  c.setBrush(Brush{kRed, true});
  c.rectangle(1, 1, 6, 5);  // neither pen nor brush: nothing
  std::vector<Element> rects = elements(c, "rect");
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[1].attributes["x"], "1.5");
  EXPECT_EQ(rects[1].attributes["y"], "1.5");
  EXPECT_EQ(rects[1].attributes["width"], "4");
  EXPECT_EQ(rects[1].attributes["height"], "3");
  EXPECT_EQ(rects[1].attributes["stroke"], "#000000");
  EXPECT_EQ(rects[2].attributes["x"], "1");
  EXPECT_EQ(rects[2].attributes["width"], "4");
  EXPECT_EQ(rects[2].attributes["height"], "3");
  EXPECT_EQ(rects[2].attributes.count("stroke"), 0u);
  std::vector<Element> ellipses = elements(c, "ellipse");
  ASSERT_EQ(ellipses.size(), 2u);
  EXPECT_EQ(ellipses[0].attributes["cx"], "3.5");
  EXPECT_EQ(ellipses[0].attributes["rx"], "3");
  EXPECT_EQ(ellipses[0].attributes["ry"], "1");
  EXPECT_EQ(ellipses[1].attributes["cx"], "3");
  EXPECT_EQ(ellipses[1].attributes["rx"], "3");
}

TEST(SvgCanvas, TextMatchesTheRasterLayout) {
  SvgCanvas c(200, 40);
  c.setBackgroundMode(BackgroundMode::kTransparent);
  c.textOut(5, 7, "Ряд 42");
  c.setFont(FontSpec{18, 408, true});
  c.textOut(5, 20, "s=S\x01");
  std::vector<Element> texts = elements(c, "text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(elements(c, "rect").size(), 1u);  // transparent: no cell behind the text
  const ResolvedFont window = resolveFont(FontSpec{}, kDefaultWindowFontHeight);
  std::string xs;
  for (const PlacedChar& ch : layoutText(window, "Ряд 42").chars) {
    xs += (xs.empty() ? "" : " ") + std::to_string(5 + ch.x);
  }
  EXPECT_EQ(texts[0].attributes["x"], xs);
  EXPECT_EQ(texts[0].attributes["y"], std::to_string(7 + window.metrics.ascent));
  EXPECT_EQ(texts[0].attributes["font-family"], "DejaVu Sans Condensed");
  EXPECT_EQ(texts[0].attributes["font-size"], "12.031");  // 14 × 2048 / 2384
  EXPECT_EQ(texts[0].text, "Ряд 42");
  // The symbol font writes the Greek it shows; a control character cannot go into XML.
  EXPECT_EQ(texts[1].text, "σ=Σ\uFFFD");
  EXPECT_EQ(c.textExtent("s").cx, layoutText(resolveFont(FontSpec{18, 400, false}, 14), "σ").width);
}

std::vector<uint8_t> unbase64(const std::string& s) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<uint8_t> out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : s) {
    if (c == '=') break;
    bits = (bits << 6) | static_cast<uint32_t>(alphabet.find(c));
    if ((count += 6) >= 8) out.push_back(static_cast<uint8_t>(bits >> (count -= 8)));
  }
  return out;
}

TEST(SvgCanvas, ImagesAreEmbeddedAsPngWithTheirPixels) {
  for (int w : {1, 3, 39}) {  // PNG sizes of 1, 0 and 2 modulo 3: every base64 ending
    Image image(w, 2, kRed);
    image.at(0, 1) = rgb(1, 2, 3).packed();
    SvgCanvas c(20, 20);
    c.drawImage(-3, 4, image);
    c.drawImage(0, 0, Image());  // nothing to draw
    std::vector<Element> images = elements(c, "image");
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].attributes["x"], "-3");
    EXPECT_EQ(images[0].attributes["width"], std::to_string(w));
    const std::string prefix = "data:image/png;base64,";
    const std::string& href = images[0].attributes["xlink:href"];
    ASSERT_EQ(href.compare(0, prefix.size(), prefix), 0);
    Image back = decodePng(unbase64(href.substr(prefix.size())));
    EXPECT_EQ(back.width, w);
    EXPECT_EQ(back.pixels, image.pixels);
  }
}

}  // namespace
}  // namespace velmora::testing
