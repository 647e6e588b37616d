// Library exception, vertex id generator, leveled messages and the
// attached-data name registry.
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <string>

#include "KORA_Util.h"
#include "ParUtil.h"
#include "mException.h"
#include "mIdGenerator.h"

using namespace KORA;

TEST(UtilException, PrintsWhereAndWhyWhenMade) {
  testing::internal::CaptureStdout();
  mException* e = new mException(12, "src/mMesh", "short text");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "an exception has been thrown at line 12 in file src/mMesh\nTEXT : short text\n");
  EXPECT_EQ(e->getLine(), 12);
  EXPECT_EQ(e->getFile(), "src/mMesh");
  delete e;

  // A file name longer than 255 characters is cut, not overflowed.
  const std::string longName(400, 'f');
  testing::internal::CaptureStdout();
  mException l(1, longName.c_str(), "");
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(l.getFile(), std::string(255, 'f'));
}

TEST(UtilIdGenerator, CountsUpAndNeverReuses) {
  mIdGenerator g;
  EXPECT_EQ(g.getMaxValue(), 0);
  EXPECT_EQ(g.generateId(), 1);
  EXPECT_EQ(g.generateId(), 2);
  g.setMaxValue(100);
  EXPECT_EQ(g.generateId(), 101);
  g.setMaxValue(50);
  EXPECT_EQ(g.getMaxValue(), 101);
  g.addId(5);
  EXPECT_EQ(g.generateId(), 102);
}

TEST(UtilParUtil, MessagesByLevelAndVerbosity) {
  ParUtil* p = ParUtil::Instance();
  EXPECT_EQ(p, ParUtil::Instance());
  EXPECT_EQ(p->rank(), 0);
  EXPECT_EQ(p->size(), 1);
  EXPECT_TRUE(p->master());
  const int saved = p->getVerbosity();

  struct Case {
    int verbosity;
    int level;
    const char* expected;
  } cases[] = {
      {0, ParUtil::INFO, "info 7\n"},
      {-1, ParUtil::INFO, ""},
      {-1, ParUtil::WARNING, "Processor 0 KORA WARNING : info 7\n"},
      {5, ParUtil::DETAIL, ""},
      {0, ParUtil::SILENT, ""},
      {0, 5, ""},
      {0, -3, ""},
  };
  for (const Case& c : cases) {
    p->setVerbosity(c.verbosity);
    testing::internal::CaptureStdout();
    p->Msg(c.level, "info %d\n", 7);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.expected) << "level " << c.level;
  }
  p->setVerbosity(saved);

  // A text longer than the buffer is cut to 1023 characters.
  const std::string big(3000, 'x');
  testing::internal::CaptureStdout();
  p->Msg(ParUtil::INFO, "%s", big.c_str());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(ParUtil::buffer_size - 1, 'x'));

  const double t0 = p->wTime();
  EXPECT_GT(t0, 0.0);
  EXPECT_GE(p->wTime(), t0);
  char* name = p->processorName();
  EXPECT_GT(std::string(name).size(), 0u);
  delete[] name;
}

TEST(UtilParUtilDeathTest, FatalMessagePrintsThenAborts) {
  // Standard output is sent to standard error in the dying child so that the
  // text written before the abort can be matched.
  EXPECT_EXIT(
      {
        dup2(2, 1);
        ParUtil::Instance()->Msg(ParUtil::FATAL, "bad %s\n", "thing");
      },
      testing::KilledBySignal(SIGABRT), "KORA FATAL ERROR : bad thing");
}

TEST(UtilRegistry, LibraryNamesAndNewNames) {
  KORA_Util* u = KORA_Util::Instance();
  EXPECT_EQ(u, KORA_Util::Instance());
  const char* names[] = {"_parent", "_fmod", "_emod", "_id", "_dn", "_size", "_ATT1", "_ATT2", "_ATT3"};
  for (unsigned int i = 0; i < 9; ++i) {
    ASSERT_EQ(u->nameToId.count(names[i]), 1u) << names[i];
    EXPECT_EQ(u->nameToId[names[i]], i) << names[i];
    EXPECT_EQ(u->idToName[i], names[i]);
  }
  EXPECT_EQ(u->parentId, 0u);
  EXPECT_EQ(u->fmodId, 1u);
  EXPECT_EQ(u->emodId, 2u);
  EXPECT_EQ(u->idId, 3u);
  EXPECT_EQ(u->dnId, 4u);
  EXPECT_EQ(u->sizeId, 5u);
  EXPECT_EQ(u->att1Id, 6u);
  EXPECT_EQ(u->att2Id, 7u);
  EXPECT_EQ(u->att3Id, 8u);

  // Other tests may have registered names already: a new one gets the
  // largest id plus one.
  const unsigned int next = u->idToName.rbegin()->first + 1;
  const unsigned int id = u->getMeshDataId("util_test_optimum_level");
  EXPECT_EQ(id, next);
  EXPECT_EQ(u->getMeshDataId("util_test_optimum_level"), id);
  EXPECT_EQ(u->nameToId.size(), u->idToName.size());
  int thrown = 0;
  try {
    u->newMeshDataId("util_test_optimum_level");
  } catch (int e) {
    thrown = e;
  }
  EXPECT_EQ(thrown, 1);
  EXPECT_EQ(u->newMeshDataId("util_test_other"), id + 1);
}
