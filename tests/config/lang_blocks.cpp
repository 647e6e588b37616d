// "Group" and "Sensor" blocks: tag sets of model entities and the checks of
// a sensor statement.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang_helpers.h"

namespace {

using langtest::parse;

const Group *group(const char *name) {
  for (int i = 0; i < List_Nbr(Problem_S.Groups); i++) {
    auto *g = static_cast<Group *>(List_Pointer_NoChange(Problem_S.Groups, i));
    if (std::string(g->Name) == name) return g;
  }
  ADD_FAILURE() << "no group " << name;
  return nullptr;
}

std::vector<int> tags(const Group *g) {
  std::vector<int> v(List_Nbr(g->Tags));
  for (int i = 0; i < List_Nbr(g->Tags); i++) List_Read(g->Tags, i, &v[i]);
  return v;
}

TEST(LangGroups, TagSetsOfModelEntities) {
  struct {
    const char *selection;
    int kind;
    std::vector<int> tags;
  } cases[] = {
      {"Region[{1:4, -2}]", 3, {1, 3, 4}},
      {"Region[{3, 1, 1}]", 3, {3, 1, 1}},
      {"Region[{5, 1, -9}]", 3, {1, 5}},  // a removal sorts the list
      {"Face[10:1:-3]", 2, {10, 7, 4, 1}},
      {"Surface[1:5:2]", 2, {1, 3, 5}},
      {"Edge[7]", 1, {7}},
      {"Vertex[5:3]", 0, {5, 4, 3}},
      {"Region[{}]", 3, {}},
      {"Region[{1 2 3}]", 3, {1, 2, 3}},
      {"Region[{, 1, 2}]", 3, {1, 2}},
      {"Region[1:n]", 3, {1, 2, 3}},
      {"Region[@ 4, 2 @]", 3, {4, 2}},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.selection);
    auto r = parse(std::string("n = 3; Group { g = ") + c.selection + "; }");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    const Group *g = group("g");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->EntityKind, c.kind);
    ASSERT_NE(g->Tags, nullptr);
    EXPECT_EQ(tags(g), c.tags);
  }
  auto r = parse("Group { all = Vertex[All]; e = Edge[2]; same = [4]; c = 5; e = Region[3]; }");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(group("all")->Tags, nullptr);
  EXPECT_EQ(group("same")->EntityKind, 1);  // the previous selection's kind
  EXPECT_EQ(langtest::number("c"), 5);       // a constant inside the block
  EXPECT_EQ(List_Nbr(Problem_S.Groups), 3);  // e was replaced in place
  EXPECT_EQ(group("e")->EntityKind, 3);
  EXPECT_EQ(group("e")->Index, 1);
}

TEST(LangGroups, ErrorsInTagSets) {
  auto r = parse("Group { f = Face[1:10:-3]; k = Frame[2]; }");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Error ('test.par' line 0): Wrong increment in '1 : 10 : -3'\n"
            "Error ('test.par' line 0): Not a Name for a group of model entities: Frame\n\n");
  EXPECT_EQ(tags(group("f")), (std::vector<int>{1}));
  EXPECT_EQ(group("k")->EntityKind, 2);  // keeps the previous kind
  for (const char *bad : {"Group { g = Region[]; }", "Group { g = Region[n:5]; }",
                          "Group { g = Region[1.0:5]; }", "Group { g = Region[{1,,2}]; }"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(parse(std::string("n = 1;") + bad).status, 1);
  }
}

TEST(LangSensors, BlockChecksAndTheirMessages) {
  struct {
    const char *block;
    const char *report;
  } cases[] = {
      {"Type = \"Gmsh\"; Quantity = \"q\"; SampleRate = 0.1;", "Missing Gmsh Sensor Name\n"},
      {"Type = \"Gmsh\"; Name = \"n\"; SampleRate = 0.1;", "Missing Gmsh Sensor Quantity\n"},
      {"Type = \"Gmsh\"; Name = \"n\"; Quantity = \"q\";", "Missing Gmsh Sensor Sample Rate\n"},
      {"Type = \"Ensight\"; Name = \"n\"; Quantity = \"q\";", "Missing Ensight Sensor Sample Rate\n"},
      {"Type = \"Line\"; Quantity = \"q\"; SampleRate = 1; Point = (0, 0, 0); Point = (1, 0, 0);",
       "Missing Gmsh Sensor Name\n"},
      {"Type = \"Line\"; Name = \"n\"; Quantity = \"q\"; SampleRate = 1; Point = (0, 0, 0);",
       "2 points required for a line sensor\n"},
      {"Type = \"Point\"; Name = \"n\"; Quantity = \"q\"; SampleRate = 1;",
       "1 points required for a point sensor\n"},
      {"Type = \"Plot\"; Name = \"n\";", "Not a Valid Name for a sensor Type : Plot\n"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.block);
    auto r = parse(std::string("Sensor {\n") + c.block + "\n}");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("Error ('test.par' line 2): ") + c.report + "\n");
  }
}

TEST(LangSensors, ItemsAndStatementState) {
  auto r = parse(
      "Sensor { Type = \"Point\"; Name = \"p\"; Quantity = \"q\"; SampleRate = 0;\n"
      "  Colour = \"red\"; Size = 2; Corner = (1, 2, 3); Point = (1, 2, 3); NbSamples = (2.9); }\n"
      "Sensor { Name = \"p2\"; Quantity = \"q\"; SampleRate = 1; }\n");
  EXPECT_EQ(r.status, 0);
  // A rate of exactly 0 passes (without a sensor creator the block is
  // reported); the second block takes the first one's type and has no point
  // of its own.
  EXPECT_EQ(r.out,
            "Error ('test.par' line 1): Not a Valid Name for a sensor: Colour\n\n"
            "Error ('test.par' line 1): Not a Valid Name for a sensor: Size\n\n"
            "Error ('test.par' line 1): Syntax error\n\n"
            "Error ('test.par' line 1): Sensor p of type Point could not be created\n\n"
            "Error ('test.par' line 2): 1 points required for a point sensor\n\n");
}

TEST(LangSensors, AThirteenthPointIsRefused) {
  std::string block = "Sensor { Type = \"Line\"; Name = \"l\"; Quantity = \"q\"; SampleRate = 1;\n";
  for (int i = 0; i < 13; i++) block += "Point = (" + std::to_string(i) + ", 0, 0);";
  block += "\n}";
  auto r = parse(block);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Error ('test.par' line 1): Too many points in a sensor (at most 12)\n\n"
            "Error ('test.par' line 2): 2 points required for a line sensor\n\n");
}

}  // namespace

namespace {

std::vector<SensorRequest> created;
bool recordSensor(const SensorRequest &r) {
  created.push_back(r);
  return true;
}

TEST(LangSensors, ACheckedBlockIsHandedToTheSensorCreator) {
  created.clear();
  Input_CreateSensor = recordSensor;
  auto r = parse(
      "Sensor { Type = \"Line\"; Name = \"cut\"; Quantity = \"rho\"; SampleRate = 0.5;\n"
      "  NbSamples = 2.9; Point = (0, 0, 0); Point = (1, 2, 3); }\n"
      "Sensor { Type = \"Gmsh\"; Name = \"view\"; Quantity = \"rho\"; }\n");
  Input_CreateSensor = nullptr;
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "adding a sensor cut rho Line  5.00000E-01\n"
            "Error ('test.par' line 2): Missing Gmsh Sensor Sample Rate\n\n");
  ASSERT_EQ(created.size(), 1u);  // a reported block creates nothing
  const SensorRequest &s = created[0];
  EXPECT_EQ(s.type, "Line");
  EXPECT_EQ(s.nbSamples, 2);
  EXPECT_EQ(s.numPoint, 2);
  EXPECT_EQ(s.points[1](0), 1);
  EXPECT_EQ(s.points[1](2), 3);
}

}  // namespace
