#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>

#include "display/console.h"
#include "image/draw.h"
#include "image/font.h"
#include "platform/keys.h"
#include "support/files.h"
#include "support/temp_path.h"
#include "viewers/gml_reader.h"
#include "viewers/viewer_keys.h"

namespace {

// Reads `text` as a drawing file into a zeroed record.
std::unique_ptr<GmlDrawing> read_text(const std::string& text) {
  auto drawing = std::make_unique<GmlDrawing>();
  std::memset(drawing.get(), 0, sizeof(GmlDrawing));
  FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  EXPECT_NE(stream, nullptr);
  gml_read_stream(stream, drawing.get());
  fclose(stream);
  return drawing;
}

std::string tokens_of(const std::string& text) {
  FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  std::string out;
  char token[GML_TOKEN_SIZE];
  for (gml_next_token(stream, token); token[0] != '\0'; gml_next_token(stream, token)) out += std::string("[") + token + "]";
  fclose(stream);
  return out;
}

}  // namespace

TEST(GmlTokens, SplitAtBlanksAndTagsAndLowercase) {
  EXPECT_EQ(tokens_of("<X>0.5</X>"), "[<x>][0.5][</x>]");
  EXPECT_EQ(tokens_of("  <gml spec=\"a\">"), "[<gml][spec=\"a\">]");
  // A carriage return is not a blank: it stays in the token it touches.
  EXPECT_EQ(tokens_of("<pt>\r\n<x>1</x>\tb"), "[<pt>][\r][<x>][1][</x>][b]");
  // Long tokens are cut, the rest of them consumed.
  EXPECT_EQ(tokens_of(std::string(200, 'A') + " <x>"),
            "[" + std::string(GML_TOKEN_SIZE - 1, 'a') + "][<x>]");
}

TEST(GmlReader, AttributesQuotedUnquotedAndCut) {
  EXPECT_STREQ(read_text("<gml spec='kolv 1.0\" x=\"y\">")->spec, "kolv 1.0");
  // An unquoted value drops its first character and leaves spec empty; the name match is case-exact.
  EXPECT_STREQ(read_text("<gml spec=abc>")->spec, "");
  EXPECT_EQ(std::strlen(read_text("<gml spec=\"" + std::string(100, 'v') + "\">")->spec), size_t{GML_SPEC_SIZE - 1});
}

TEST(GmlReader, ReadsAWellFormedDrawingInEitherCase) {
  auto d = read_text(
      "<gml spec=\"1.0\"><tag><drawing>\n"
      "<stroke><pt><x>0.1</x><y>0.2</y><z>0.3</z><time>0.5</time></pt>\n"
      "<pt><x>0.4</x><y>0.6</y><t>1.5</t></pt></stroke>\n"
      "<stroke><pt><x>1</x><y>1</y><t>2</t></pt></stroke>\n"
      "</drawing></tag></gml>\n");
  ASSERT_EQ(d->stroke_count, 2);
  EXPECT_STREQ(d->spec, "1.0");
  const GmlStroke& s = d->strokes[0];
  ASSERT_EQ(s.point_count, 2);
  EXPECT_EQ(std::tuple(s.points[0][0], s.points[0][1], s.points[0][2], s.times[0], s.points[1][0], s.times[1]),
            std::tuple(0.1f, 0.2f, 0.3f, 0.5f, 0.4f, 1.5f));
  EXPECT_EQ(d->strokes[1].point_count, 1);
  // Capital tags, and either time closer for either opener.
  d = read_text("<STROKE><PT><X>0.25</X><T>3</T></PT><pt><time>4</t></pt></STROKE>");
  EXPECT_EQ(std::tuple(d->strokes[0].points[0][0], d->strokes[0].times[0], d->strokes[0].times[1]), std::tuple(0.25f, 3.0f, 4.0f));
}

// Stroke count, points in the first stroke and the first point's x, per text.
TEST(GmlReader, ValuesCommentsAndStrayTags) {
  struct Case {
    const char* text;
    int strokes, points;
    float x;
  } cases[] = {
      // An x left open before </pt> reads that </pt> as a number (0); only the second </pt> closes the point.
      {"<stroke><pt><x>0.7 </pt></x></pt></stroke>", 1, 1, 0.0f},
      {"<stroke><pt><x> -1.5e-1junk</x></pt></stroke>", 1, 1, -0.15f},  // C conventions whatever the locale
      {"<stroke><pt><x>0.5</x></pt><pt><x>0.6</x>", 0, 1, 0.5f},        // unclosed elements are not counted
      {"<stroke><!--<pt><x>9</x></pt> --><pt><x>1</x></pt></stroke>", 1, 1, 1.0f},  // "<!--" then a tag: skipped
      // A <gml> without attributes is just an unknown tag; its content still counts.
      {"<?xml version=\"1.0\"?><gml><header><name>x</name></header></pt></stroke><stroke><pt><x>0.5</x></pt></stroke></gml>",
       1, 1, 0.5f},
  };
  for (const Case& c : cases) {
    auto d = read_text(c.text);
    // Points that never get a z or time keep the zeroed record's values.
    EXPECT_EQ(std::tuple(d->stroke_count, d->strokes[0].point_count, d->strokes[0].points[0][2], d->strokes[0].times[0]),
              std::tuple(c.strokes, c.points, 0.0f, 0.0f)) << c.text;
    EXPECT_FLOAT_EQ(d->strokes[0].points[0][0], c.x) << c.text;
  }
}

TEST(GmlReader, SurplusStrokesAndPointsAreIgnored) {
  std::string many;
  for (int s = 0; s < GML_MAX_STROKES + 5; ++s) {
    many += "<stroke>";
    int points = s == 0 ? GML_MAX_POINTS + 7 : 1;
    for (int p = 0; p < points; ++p)
      many += "<pt><x>" + std::to_string(s) + "</x><t>" + std::to_string(p) + "</t></pt>";
    many += "</stroke>";
  }
  auto d = read_text(many);
  // The surplus did not overwrite the last point or stroke kept.
  EXPECT_EQ(std::tuple(d->stroke_count, d->strokes[0].point_count, d->strokes[0].times[GML_MAX_POINTS - 1],
                       d->strokes[GML_MAX_STROKES - 1].points[0][0]),
            std::tuple(GML_MAX_STROKES, GML_MAX_POINTS, GML_MAX_POINTS - 1.0f, GML_MAX_STROKES - 1.0f));
}

TEST(GmlReader, DeepNestingDoesNotExhaustTheStack) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<tag>";
  deep += "<stroke><pt><x>0.5</x></pt></stroke>";
  auto d = read_text(deep);
  EXPECT_LE(d->stroke_count, 1);
}

TEST(GmlReader, LoadsFilesAndRefusesNoRecord) {
  const std::string path = temp_path("gml_reader_test.gml");
  ASSERT_TRUE(write_file(path, std::string("<gml spec=\"t\">\r\n<stroke>\r\n<pt><y>0.25</y></pt>\r\n</stroke></gml>")));
  auto d = read_text("");
  gml_load(path.c_str(), d.get());
  std::remove(path.c_str());
  EXPECT_EQ(std::tuple(std::string(d->spec), d->stroke_count, d->strokes[0].points[0][1]), std::tuple("t", 1, 0.25f));
  viewer_headless = true;  // no key to wait for
  testing::internal::CaptureStdout();
  gml_load("/dev/null", nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "NO GRAPH TO LOAD INTO!\n");
}

namespace {

int presents_with_ink = 0;
// Every present checks the screen for drawn text, then types a key.
void look_then_press(const Pixel* frame, const ConsoleCell*) {
  if (std::any_of(frame, frame + FRAME_PIXELS, [](Pixel p) { return p != 0; })) ++presents_with_ink;
  key_inject(13);
}

}  // namespace

// The missing drawing is named on the screen, in the bitmap font, before the
// wait for a key ends, and printed as well.
TEST(GmlReader, MissingFileIsOnTheScreenDuringTheWait) {
  ASSERT_TRUE(font_load_default()) << "no data/font.tga: run make data";
  con_configure({ColorMode::TrueColor, true});
  key_set_source(-1);
  draw_clear(0);
  viewer_headless = false;
  con_set_present_hook(look_then_press);
  auto d = read_text("");
  testing::internal::CaptureStdout();
  gml_load("/nonexistent/drawing.gml", d.get());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR!!! /nonexistent/drawing.gml NOT FOUND!!\n");
  con_set_present_hook(nullptr);
  viewer_headless = true;
  font_free_default();
  EXPECT_EQ(presents_with_ink, 1);
  EXPECT_FALSE(key_waiting()) << "the key ended the wait";
}
