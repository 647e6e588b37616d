// The Gmsh sensor: file names, one file per sample and enabled field, the
// views a file holds, flags, range filters and a bound function.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "DGGmshSensor.h"
#include "EnsightSensor.h"
#include "Expression.h"
#include "LineSensors.h"
#include "PointSensors.h"
#include "Parser.h"
#include "views_fixture.h"

using namespace viewtest;

namespace {

// Names of the files in a directory, sorted.
std::vector<std::string> filesIn(const std::string &dir) {
  std::vector<std::string> names;
  for (const auto &e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

mMesh *oneTriangle() { return triangles({{0, 0}, {2, 0}, {0, 1}}, {{0, 1, 2}}); }

}  // namespace

TEST(GmshSensor, OneFilePerSampleNamedAfterSensorSampleAndField) {
  TempDir dir;
  std::filesystem::create_directory("out");
  Scene scene(oneTriangle(), 1);
  scene.law->name0 = "density";
  Scene::param().general.chunkSpace = "out";

  DGGmshSensor shock("shock", 0.5, false);
  shock.enable_field_of_interest(0, true);
  shock.enable_field_of_interest(25, true);  // no flag there: ignored
  EXPECT_TRUE(shock.isFieldEnabled(0));
  EXPECT_FALSE(shock.isFieldEnabled(1));

  shock.eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(shock.getCount(), 1);
  EXPECT_EQ(DGSensor::current, &shock);
  EXPECT_EQ(filesIn("out"), (std::vector<std::string>{"shock-sample1density.pos"}));
  EXPECT_EQ(readFile("out/shock-sample1density.pos"),
            "View \"density\" {\nST (0,1,0,0,0,0,2,0,0){3,1,3};\n};\n");
  EXPECT_FALSE(shock.getProcessor().isFileOpen());

  shock.eval(&scene.analysis, 2, 1, 0.25);  // not due
  EXPECT_EQ(filesIn("out").size(), 1u);
  shock.eval(&scene.analysis, 2, 2, 0.5);
  EXPECT_EQ(filesIn("out"),
            (std::vector<std::string>{"shock-sample1density.pos", "shock-sample2density.pos"}));
}

TEST(GmshSensor, FlagsDecideWhichFieldsAreWritten) {
  TempDir dir;
  Scene scene(oneTriangle(), 1, 22);  // 22 fields of interest, 20 flags
  Scene::param().general.chunkSpace = ".";
  {
    DGGmshSensor none("none", 1.0, false);
    none.eval(&scene.analysis, 2, 0, 0.0);
    none.eval(&scene.analysis, 2, 0, 1.0);
    EXPECT_EQ(none.getCount(), 2);  // samples are counted
    EXPECT_TRUE(filesIn(".").empty());
  }
  DGGmshSensor all("all", 1.0, true);
  all.enable_field_of_interest(7, false);  // "boom" would throw
  all.eval(&scene.analysis, 2, 0, 0.0);
  const std::vector<std::string> files = filesIn(".");
  EXPECT_EQ(files.size(), 19u);  // fields 0..19 but 7; none from index 20 on
  EXPECT_TRUE(exists("all-sample1u.pos"));
  EXPECT_TRUE(exists("all-sample1four.pos"));
  EXPECT_TRUE(exists("all-sample1f19.pos"));
  EXPECT_FALSE(exists("all-sample1f20.pos"));
  EXPECT_FALSE(exists("all-sample1boom.pos"));
  EXPECT_EQ(readFile("all-sample1four.pos"), "View \"four\" {\n};\n");  // four components
}

TEST(GmshSensor, SameNameDifferentFieldsAndOverwriting) {
  TempDir dir;
  Scene scene(oneTriangle(), 1);
  Scene::param().general.chunkSpace = ".";
  DGGmshSensor a("s", 1.0, false), b("s", 1.0, false);
  a.enable_field_of_interest(0, true);
  b.enable_field_of_interest(1, true);
  a.eval(&scene.analysis, 2, 0, 0.0);
  b.eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(filesIn("."), (std::vector<std::string>{"s-sample1pair.pos", "s-sample1u.pos"}));
  // The same field under the same name and sample number: the last writer wins.
  DGGmshSensor c("s", 1.0, false);
  c.enable_field_of_interest(0, true);
  c.filter_for_range(100.0, 200.0);  // drops every element
  c.eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(readFile("s-sample1u.pos"), "View \"u\" {\n};\n");
}

TEST(GmshSensor, RangeFilterKeepsElementsWithAValueInside) {
  TempDir dir;
  // The quadrilateral [0,2] x [0,1]: its four triangles carry {3,1,3}, {5,3,3},
  // {3,5,3} and {3,1,3}; only the two with a 5 have a value in (3.5, 10).
  Scene scene(triangles({{0, 0}, {2, 0}, {2, 1}, {0, 1}}, {{0, 1, 2, 3}}), 1);
  Scene::param().general.chunkSpace = ".";
  DGGmshSensor s("q", 1.0, false);
  s.enable_field_of_interest(0, true);
  s.filter_for_range(3.5, 10.0);
  s.eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(readFile("q-sample1u.pos"),
            "View \"u\" {\nST (2,1,0,0,1,0,1,0.5,0){5,3,3};\nST (2,0,0,2,1,0,1,0.5,0){3,5,3};\n};\n");
}

TEST(GmshSensor, ThreeDimensionalFilesHoldFacesThenVolume) {
  TempDir dir;
  Scene scene(tetrahedra({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2, 3}}), 1);
  Scene::param().general.chunkSpace = ".";
  DGGmshSensor s("t", 1.0, false);
  s.enable_field_of_interest(0, true);
  s.eval(&scene.analysis, 3, 0, 0.0);
  const std::string text = readFile("t-sample1u.pos");
  const std::vector<View> views = parseViews(text);
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0].name, "u");
  EXPECT_EQ(views[1].name, "u");
  EXPECT_EQ(views[0].elements.size(), 4u);
  for (const Element &e : views[0].elements) EXPECT_EQ(e.kind, "ST");
  EXPECT_NE(text.find("View \"u\" {\nSS (0,0,0,1,0,0,0,1,0,0,0,1){1,2,3,4};\n};\n"), std::string::npos);
}

TEST(GmshSensor, ABoundFunctionIsTheOneFieldWritten) {
  TempDir dir;
  Scene scene(oneTriangle(), 1);
  Scene::param().general.chunkSpace = ".";
  Parser_Reset();
  testing::internal::CaptureStdout();
  const int status = Parse_String("Function {\n  rho[] = 2 * $X + 1;\n}\n", "f.par");
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(status, 0);
  DGGmshSensor s("f", 1.0, true);
  s.setFunct("rho");
  s.eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(filesIn("."), (std::vector<std::string>{"f-sample1rho.pos"}));
  // 2x + 1 at the nodes (0,1), (0,0), (2,0).
  EXPECT_EQ(readFile("f-sample1rho.pos"), "View \"rho\" {\nST (0,1,0,0,0,0,2,0,0){1,1,5};\n};\n");
  Parser_Reset();
}

TEST(GmshSensor, AnInterruptedSampleIsClosedByTheNext) {
  TempDir dir;
  Scene scene(oneTriangle(), 1);
  Scene::param().general.chunkSpace = ".";
  DGGmshSensor s("x", 1.0, false);
  s.enable_field_of_interest(7, true);  // "boom" throws from the law
  EXPECT_THROW(s.eval(&scene.analysis, 2, 0, 0.0), std::string);
  EXPECT_TRUE(s.getProcessor().isFileOpen());
  s.enable_field_of_interest(7, false);
  s.enable_field_of_interest(0, true);
  s.eval(&scene.analysis, 2, 0, 1.0);
  EXPECT_FALSE(s.getProcessor().isFileOpen());
  EXPECT_EQ(readFile("x-sample1boom.pos"), "View \"boom\" {\n");
  EXPECT_EQ(readFile("x-sample2u.pos"), "View \"u\" {\nST (0,1,0,0,0,0,2,0,0){3,1,3};\n};\n");
}

TEST(GmshSensor, TheInputLanguageMakesOne) {
  TempDir dir;
  Scene scene(oneTriangle(), 1);
  Scene::param().general.chunkSpace = ".";
  DGAnalysis *analysis = GlobalParamManager::Instance()->analysis;
  ASSERT_NE(analysis, nullptr);
  const std::size_t before = analysis->sensors.size();
  Parser_Reset();
  testing::internal::CaptureStdout();
  const int status = Parse_String(
      "Function {\n  rho[] = 2 * $X + 1;\n}\n"
      "Sensor {\n  Type = \"Gmsh\";\n  Name = \"shock\";\n  Quantity = \"rho\";\n  SampleRate = 0.5;\n}\n",
      "s.par");
  const std::string printed = testing::internal::GetCapturedStdout();
  ASSERT_EQ(status, 0) << printed;
  EXPECT_EQ(printed, "adding a sensor shock rho Gmsh  5.00000E-01\n");
  ASSERT_EQ(analysis->sensors.size(), before + 1);
  auto *made = dynamic_cast<DGGmshSensor *>(analysis->sensors.back());
  ASSERT_NE(made, nullptr);
  analysis->sensors.pop_back();
  std::unique_ptr<DGGmshSensor> owned(made);
  EXPECT_EQ(made->getName(), "shock");
  EXPECT_EQ(made->getDt(), 0.5);
  for (int i = 0; i < DGGmshSensor::kNbFlags; ++i) EXPECT_TRUE(made->isFieldEnabled(i));
  made->eval(&scene.analysis, 2, 0, 0.0);
  EXPECT_EQ(filesIn("."), (std::vector<std::string>{"shock-sample1rho.pos"}));
  Parser_Reset();
}

TEST(InputSensors, EverySensorKindOfTheLanguage) {
  TempDir dir;
  Scene scene(oneTriangle(), 1);
  DGAnalysis *analysis = GlobalParamManager::Instance()->analysis;
  ASSERT_NE(analysis, nullptr);
  struct Case {
    const char *block;
    const char *type;
  } cases[] = {
      {"Type = \"Gmsh\"; Name = \"g\"; Quantity = \"q\"; SampleRate = 1;", "Gmsh"},
      {"Type = \"Ensight\"; Name = \"e\"; Quantity = \"q\"; SampleRate = 1;", "Ensight"},
      {"Type = \"Line\"; Name = \"l.dat\"; Quantity = \"q\"; SampleRate = 1; Point = (0, 0, 0); "
       "Point = (1, 0, 0);",
       "Line"},
      {"Type = \"Point\"; Name = \"p.dat\"; Quantity = \"q\"; SampleRate = 1; Point = (0.1, 0.1, 0);",
       "Point"},
  };
  for (const Case &c : cases) {
    Parser_Reset();
    const std::size_t before = analysis->sensors.size();
    testing::internal::CaptureStdout();
    const int status = Parse_String(
        std::string("Function {\n  q[] = 3;\n}\nSensor {\n") + c.block + "\n}\n", "k.par");
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(status, 0) << printed;
    EXPECT_EQ(printed.rfind("adding a sensor ", 0), 0u) << printed;
    EXPECT_NE(printed.find(std::string(" q ") + c.type + " "), std::string::npos) << printed;
    ASSERT_EQ(analysis->sensors.size(), before + 1) << c.type;
    std::unique_ptr<DGSensor> made(analysis->sensors.back());
    analysis->sensors.pop_back();
    EXPECT_EQ(made->getFunctIndex(), Find_Expression("q")) << c.type;
    const bool rightKind = (std::string(c.type) == "Gmsh" && dynamic_cast<DGGmshSensor *>(made.get())) ||
                           (std::string(c.type) == "Ensight" && dynamic_cast<DGEnsightSensor *>(made.get())) ||
                           (std::string(c.type) == "Line" && dynamic_cast<DGLineSensor *>(made.get())) ||
                           (std::string(c.type) == "Point" && dynamic_cast<DGPointSensor *>(made.get()));
    EXPECT_TRUE(rightKind) << c.type;
  }
  Parser_Reset();
}
