// Plain tetrahedral grids and the model-entity mapping file.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "files_helpers.h"
#include "mTet.h"

namespace {

using namespace KORA;
using namespace filestest;

class FilesGrid : public InTempDir {};

TEST_F(FilesGrid, GridVerticesCountFromZero) {
  mMesh m(1);
  std::istringstream in("4 1 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 2 3 4\n");
  testing::internal::CaptureStdout();
  KORA_Util::Instance()->importBriselGrid(in, &m);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("o Grid sizes: 4 1 0\n"), std::string::npos);
  EXPECT_NE(printed.find("o Reading done ... \n"), std::string::npos);
  EXPECT_EQ(m.size(0), 4);
  for (int id = 0; id < 4; ++id) EXPECT_NE(m.getVertex(id), nullptr) << id;
  ASSERT_EQ(m.size(3), 1);
  EXPECT_NEAR(Volume(static_cast<mTet*>(*m.beginall(3))), 1.0 / 6.0, 1e-15);
}

TEST_F(FilesGrid, MappingFileDeclaresModelEntities) {
  writeFile("ids.tir",
            "vertex a 12 b c 1\n"
            "edge a 13 b c 2\n"
            "face a 14 b c 3\n"
            "curve a 99 b c 9\n"
            "region a 15 b c 4\n"
            "face a 77 b c 3\n"     // exists already: its tag stays
            "face a notanumber\n"   // does not match: the read stops here
            "region a 16 b c 5\n");
  mMesh m(1);
  KORA_Util::Instance()->setMappingFile("ids.tir", &m);
  EXPECT_EQ(m.nbModelEntities(), 4);
  EXPECT_EQ(m.getGEntity(1, 0)->getTag(), 12);
  EXPECT_EQ(m.getGEntity(2, 1)->getTag(), 13);
  EXPECT_EQ(m.getGEntity(3, 2)->getTag(), 14);
  EXPECT_EQ(m.getGEntity(4, 3)->getTag(), 15);
  EXPECT_EQ(m.nbModelEntities(), 4);

  testing::internal::CaptureStdout();
  bool thrown = false;
  try {
    KORA_Util::Instance()->setMappingFile("absent.tir", &m);
  } catch (mException&) {
    thrown = true;
  }
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(thrown);
  EXPECT_NE(printed.find("Cannot open ids_2_tag Mapping file absent.tir"), std::string::npos);
}

}  // namespace
