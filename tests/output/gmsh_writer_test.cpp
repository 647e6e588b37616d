// The view writer: element text byte for byte, views, files and range filters.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "GmshProcessor.h"
#include "views_fixture.h"

using viewtest::readFile;
using viewtest::TempDir;

namespace {

std::string text(const GmshDrawable &d) {
  std::ostringstream os;
  os << d;
  return os.str();
}

const double kX[4] = {0, 1, 0, 0};
const double kY[4] = {0, 0, 1, 0};
const double kZ[4] = {0, 0, 0, 1};

}  // namespace

TEST(GmshDrawable, ElementTextOfEveryKind) {
  const double v[12] = {1.5, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  struct Case {
    GmshDrawable::gType type;
    int samples;
    const char *expected;
  } cases[] = {
      {GmshDrawable::ST, 1, "ST (0,0,0,1,0,0,0,1,0){1.5,2,3};\n"},
      {GmshDrawable::ST, 2, "ST (0,0,0,1,0,0,0,1,0){1.5,2,3,4,5,6};\n"},
      {GmshDrawable::SL, 1, "SL (0,0,0,1,0,0){1.5,2};\n"},
      {GmshDrawable::SS, 1, "SS (0,0,0,1,0,0,0,1,0,0,0,1){1.5,2,3,4};\n"},
      {GmshDrawable::VL, 1, "VL (0,0,0,1,0,0){1.5,2,3,4,5,6};\n"},
      {GmshDrawable::VT, 1, "VT (0,0,0,1,0,0,0,1,0){1.5,2,3,4,5,6,7,8,9};\n"},
      {GmshDrawable::VS, 1, "VS (0,0,0,1,0,0,0,1,0,0,0,1){1.5,2,3,4,5,6,7,8,9,10,11,12};\n"},
  };
  for (const Case &c : cases) {
    GmshDrawable d(c.type, c.samples, kX, kY, kZ, v);
    EXPECT_EQ(text(d), c.expected) << c.type;
    EXPECT_EQ(d.getNbValues(), d.getNbNod() * d.getSizeInfo() * c.samples);
  }
  EXPECT_EQ(text(GmshDrawable()), "");
}

TEST(GmshDrawable, NumbersUseSixSignificantDigits) {
  struct Case {
    double value;
    const char *written;
  } cases[] = {{0.5, "0.5"},       {100, "100"},          {1e-7, "1e-07"},
               {1234567, "1.23457e+06"}, {-2.25, "-2.25"}, {1.0 / 3.0, "0.333333"},
               {123456, "123456"}, {2.9999999999999996, "3"}};
  for (const Case &c : cases) {
    const double v[3] = {c.value, c.value, c.value};
    GmshDrawable d(GmshDrawable::ST, 1, kX, kY, kZ, v);
    const std::string w = c.written;
    EXPECT_EQ(text(d), "ST (0,0,0,1,0,0,0,1,0){" + w + "," + w + "," + w + "};\n");
  }
}

TEST(GmshDrawable, CopiesWhatItIsGiven) {
  double x[3] = {0, 1, 0}, y[3] = {0, 0, 1}, z[3] = {0, 0, 0}, v[3] = {1, 2, 3};
  GmshDrawable d(GmshDrawable::ST, 1, x, y, z, v);
  x[1] = 99;
  v[0] = 99;
  EXPECT_EQ(text(d), "ST (0,0,0,1,0,0,0,1,0){1,2,3};\n");
}

TEST(GmshDrawable, RefusedKindsPrintAndThrowOne) {
  const double v[3] = {1, 2, 3};
  struct Case {
    int type;
    int samples;
  } cases[] = {{GmshDrawable::EMPTY, 1}, {7, 1}, {-1, 1}, {GmshDrawable::ST, -1}};
  for (const Case &c : cases) {
    testing::internal::CaptureStdout();
    int thrown = 0;
    try {
      GmshDrawable d(static_cast<GmshDrawable::gType>(c.type), c.samples, kX, kY, kZ, v);
    } catch (int e) {
      thrown = e;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error drawable\n") << c.type;
    EXPECT_EQ(thrown, 1) << c.type;
  }
}

TEST(GmshRangeFilter, KeepsElementsWithAValueStrictlyInside) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double v[6];
    int samples;
    bool kept;
  } cases[] = {
      {{0, 1, 1}, 1, false},            // bounds do not count
      {{0, 0.5, 1}, 1, true},
      {{-3, 2, 7}, 1, false},           // all outside
      {{nan, nan, 1}, 1, false},        // NaN never counts
      {{nan, 0.25, nan}, 1, true},
      {{0, 1, 1, 0.5, 0.5, 0.5}, 2, false},  // only the first time step is examined
      {{2, 2, 0.75, 9, 9, 9}, 2, true},
  };
  for (const Case &c : cases) {
    GmshRangeFilter f(0.0, 1.0);
    auto out = f.filter(std::make_unique<GmshDrawable>(GmshDrawable::ST, c.samples, kX, kY, kZ, c.v));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->getType() != GmshDrawable::EMPTY, c.kept) << c.v[0] << " " << c.v[1];
  }
}

TEST(GmshRangeFilter, AnEmptyDrawableStaysEmpty) {
  GmshRangeFilter f(-1e9, 1e9);
  auto out = f.filter(std::make_unique<GmshDrawable>());
  ASSERT_TRUE(out);
  EXPECT_EQ(out->getType(), GmshDrawable::EMPTY);
  EXPECT_EQ(text(*out), "");
}

TEST(GmshProcessor, WritesViewsAndFilteredElementsToFiles) {
  TempDir dir;
  GmshProcessor p;
  p.addFilter(new GmshRangeFilter(0.0, 1.0));
  p.addFilter(new GmshRangeFilter(0.4, 10.0));
  EXPECT_EQ(p.nbFilters(), 2);
  const double in[3] = {0, 0.5, 1};      // passes both
  const double firstOut[3] = {0, 1, 1};  // dropped by the first filter
  const double secondOut[3] = {0.1, 0.2, 0.3};  // dropped by the second
  p.openFile("a.pos");
  EXPECT_TRUE(p.isFileOpen());
  p.startView("empty");
  p.endView();
  p.startView("density");
  p.addDrawable(GmshDrawable::ST, 1, kX, kY, kZ, firstOut);
  p.addDrawable(GmshDrawable::ST, 1, kX, kY, kZ, in);
  p.addDrawable(GmshDrawable::ST, 1, kX, kY, kZ, secondOut);
  p.endView();
  p.closeFile();
  EXPECT_FALSE(p.isFileOpen());
  p.closeFile();  // closing twice does nothing
  EXPECT_EQ(readFile("a.pos"),
            "View \"empty\" {\n};\n"
            "View \"density\" {\nST (0,0,0,1,0,0,0,1,0){0,0.5,1};\n};\n");

  // The same processor writes further files in turn.
  p.openFile("b.pos");
  p.startView("b");
  p.endView();
  p.closeFile();
  EXPECT_EQ(readFile("b.pos"), "View \"b\" {\n};\n");
}

TEST(GmshProcessor, OpeningAgainClosesTheFileLeftOpen) {
  TempDir dir;
  const double v[3] = {1, 2, 3};
  {
    GmshProcessor p;
    p.openFile("first.pos");
    p.startView("one");
    p.addDrawable(GmshDrawable::ST, 1, kX, kY, kZ, v);  // interrupted: no footer, no close
    p.openFile("second.pos");
    p.startView("two");
    p.endView();
    // The destructor closes the second file.
  }
  EXPECT_EQ(readFile("first.pos"), "View \"one\" {\nST (0,0,0,1,0,0,0,1,0){1,2,3};\n");
  EXPECT_EQ(readFile("second.pos"), "View \"two\" {\n};\n");
}

TEST(GmshProcessor, ARefusedElementThrowsAndWritesNothing) {
  TempDir dir;
  GmshProcessor p;
  p.openFile("c.pos");
  p.startView("c");
  const double v[3] = {1, 2, 3};
  testing::internal::CaptureStdout();
  EXPECT_THROW(p.addDrawable(GmshDrawable::EMPTY, 1, kX, kY, kZ, v), int);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "error drawable\n");
  p.endView();
  p.closeFile();
  EXPECT_EQ(readFile("c.pos"), "View \"c\" {\n};\n");
}

TEST(GmshProcessor, AFileThatCannotBeCreatedOrWrittenIsReported) {
  TempDir dir;
  GmshProcessor p;
  const double v[3] = {1, 2, 3};
  try {
    p.openFile("no-such-directory/x.pos");
    ADD_FAILURE() << "a file in a missing folder was opened";
  } catch (const std::string &e) {
    EXPECT_NE(e.find("no-such-directory/x.pos"), std::string::npos) << e;
  }
  EXPECT_FALSE(p.isFileOpen());
  p.startView("lost");  // nothing open: nothing happens
  p.addDrawable(GmshDrawable::ST, 1, kX, kY, kZ, v);
  p.endView();
  EXPECT_NO_THROW(p.closeFile());
  EXPECT_FALSE(viewtest::exists("no-such-directory/x.pos"));

  // A full disk: the writes fail, and closing tells it.
  p.openFile("/dev/full");
  p.startView("full");
  for (int i = 0; i < 2000; ++i) p.addDrawable(GmshDrawable::ST, 1, kX, kY, kZ, v);
  p.endView();
  try {
    p.closeFile();
    ADD_FAILURE() << "a write to a full disk passed";
  } catch (const std::string &e) {
    EXPECT_NE(e.find("/dev/full"), std::string::npos) << e;
  }
  EXPECT_FALSE(p.isFileOpen());
}

// Gmsh refuses "inf" and "nan": such numbers are written as +-1e300 (NaN as
// +1e300), with one warning per file.
TEST(GmshProcessor, NumbersThatAreNotFiniteAreWrittenAsSubstitutes) {
  TempDir dir;
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double bad[3] = {inf, -inf, nan};
  const double good[3] = {1, 2, 3};
  const double x[3] = {0, 1, inf};
  GmshProcessor p;
  for (const char *name : {"a.pos", "b.pos"}) {
    testing::internal::CaptureStderr();
    p.openFile(name);
    p.startView("v");
    p.addDrawable(GmshDrawable::ST, 1, kX, kY, kZ, good);
    p.addDrawable(GmshDrawable::ST, 1, kX, kY, kZ, bad);
    p.addDrawable(GmshDrawable::ST, 1, x, kY, kZ, bad);
    p.endView();
    p.closeFile();
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_EQ(warning,
              std::string("warning: the view file ") + name +
                  " holds numbers that are not finite; they are written as +-1e+300\n");
    EXPECT_EQ(readFile(name),
              "View \"v\" {\n"
              "ST (0,0,0,1,0,0,0,1,0){1,2,3};\n"
              "ST (0,0,0,1,0,0,0,1,0){1e+300,-1e+300,1e+300};\n"
              "ST (0,0,0,1,0,0,1e+300,1,0){1e+300,-1e+300,1e+300};\n"
              "};\n");
  }
  // The range filter still sees the true values.
  GmshProcessor q;
  q.addFilter(new GmshRangeFilter(0, 10));
  q.openFile("c.pos");
  q.startView("c");
  q.addDrawable(GmshDrawable::ST, 1, kX, kY, kZ, bad);
  q.endView();
  q.closeFile();
  EXPECT_EQ(readFile("c.pos"), "View \"c\" {\n};\n");
}
