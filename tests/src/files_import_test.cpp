// Import and export by file name, chosen by the last four characters.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files_helpers.h"
#include "mesh_fixtures.h"

namespace {

using namespace KORA;
using namespace filestest;
namespace fs = std::filesystem;

class FilesImport : public InTempDir {};

const char* kSquare =
    "$NOE\n3\n1 0 0 0\n2 1 0 0\n3 0 1 0\n$ENDNOE\n"
    "$ELM\n2\n1 2 7 0 3 1 2 3\n2 1 4 0 2 1 2\n$ENDELM\n";

TEST_F(FilesImport, MshImportReadsTheFileAndWritesTheTopology) {
  writeFile("square.msh", kSquare);
  mMesh m(1);
  KORA_Util::Instance()->import("square.msh", &m);
  EXPECT_EQ(m.size(2), 1);
  ASSERT_TRUE(fs::exists("topo.dat"));
  const std::string topo = readFile("topo.dat");
  // The model face touches the model edge on which its boundary edge lies.
  EXPECT_NE(topo.find("Ge(2,7,7) <=> "), std::string::npos) << topo;
  EXPECT_NE(topo.find("Ge(1,4,4)"), std::string::npos) << topo;
}

TEST_F(FilesImport, NamesAreMatchedOnTheirLastFourCharacters) {
  struct Case {
    const char* name;
    bool accepted;
  };
  const std::vector<Case> cases = {{"a.pat", true},      {"b.neu", true},   {"c.MSH", false},
                                   {"d.msh.bak", false}, {"e.geo", false},  {"ms", false},
                                   {"", false},          {"f.msh ", false}};
  for (const Case& c : cases) {
    fs::remove("topo.dat");
    if (c.accepted) writeFile(c.name, "anything");
    mMesh m(1);
    bool thrown = false;
    const std::string printed = meshtest::expectMeshException(
        [&] { KORA_Util::Instance()->import(c.name, &m); }, &thrown);
    EXPECT_EQ(thrown, !c.accepted) << c.name;
    EXPECT_EQ(m.size(0), 0) << c.name;
    // The topology is rewritten after every import that did not throw.
    EXPECT_EQ(fs::exists("topo.dat"), c.accepted) << c.name;
    if (!c.accepted) {
      EXPECT_NE(printed.find(std::string("unknown extension")), std::string::npos) << c.name;
    }
  }
  bool thrown = false;
  mMesh m(1);
  const std::string printed = meshtest::expectMeshException(
      [&] { KORA_Util::Instance()->import("c.MSH", &m); }, &thrown);
  EXPECT_NE(printed.find("unknown extension .MSH in file c.MSH"), std::string::npos);
}

TEST_F(FilesImport, MissingMshFileThrowsAndWritesNoTopology) {
  mMesh m(1);
  bool thrown = false;
  const std::string printed = meshtest::expectMeshException(
      [&] { KORA_Util::Instance()->import("absent.msh", &m); }, &thrown);
  EXPECT_TRUE(thrown);
  EXPECT_NE(printed.find("cannot open the mesh file absent.msh"), std::string::npos);
  EXPECT_FALSE(fs::exists("topo.dat"));
}

TEST_F(FilesImport, ExportWritesByExtension) {
  mMesh m(1);
  readMsh(m, kSquare);
  KORA_Util* u = KORA_Util::Instance();

  u->ex_port("out.msh", &m, false);
  EXPECT_EQ(readFile("out.msh"), writeMsh(m, false));
  EXPECT_EQ(readFile("out.msh").find("$FIN"), std::string::npos);
  u->ex_port("bdry.msh", &m, true);
  EXPECT_EQ(readFile("bdry.msh"), writeMsh(m, true));

  u->ex_port("out.pat", &m, false);
  EXPECT_FALSE(fs::exists("out.pat"));
  u->ex_port("out.geo", &m, false);
  EXPECT_TRUE(fs::exists("out.geo"));

  struct Bad {
    const char* name;
    const char* message;
  };
  const std::vector<Bad> bad = {
      {"out.neu", "unknown extension .neu in file out.neu"},
      {"out.sms", "\".sms\" export format not done yet, cannot export out.sms"},
      {"ab", "unknown extension ab in file ab"},
      {"no/such/dir/out.msh", "cannot open no/such/dir/out.msh for writing"},
  };
  for (const Bad& b : bad) {
    testing::internal::CaptureStdout();
    bool thrown = false;
    try {
      u->ex_port(b.name, &m, false);
    } catch (mException&) {  // export throws the object itself
      thrown = true;
    }
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(thrown) << b.name;
    EXPECT_NE(printed.find(b.message), std::string::npos) << printed;
    EXPECT_FALSE(fs::exists(b.name)) << b.name;
  }
}

}  // namespace
