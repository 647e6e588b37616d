// A checkpoint at a high order: the Burgers problem on two hexahedra at
// order 5 (216 coefficients a cell), checkpointed every 3 iterations, run
// straight through and again from its first checkpoint. The restarted run's
// later checkpoints and log lines are the uninterrupted run's, byte for byte
// apart from the measured processor time.

#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using namespace e2e;

TEST(RecoveryHighOrder, OrderFiveHexahedraRestartByteForByte) {
  const std::string mesh = readFile(std::string(DG_TEST_DATA) + "/two_hexes.msh");
  ASSERT_FALSE(mesh.empty());
  const std::string run = "m.msh -problem 14 -order 5 -tend 0.17 -outputdt 100";
  const std::string rc = "time.recoverSamplingPeriod 3\n";

  ScratchDir full;
  writeFile(full / "m.msh", mesh);
  writeFile(full / ".dgrc", rc);
  Result r = runProgram(full.path(), run);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::vector<std::string> log = lines(readFile(full / "DG.log"));
  ASSERT_GE(log.size(), 9u);
  // Every line counts 2 cells x 6^3 coefficients.
  for (const std::string &l : log) EXPECT_EQ(words(l).front(), "432") << l;

  const std::string first = readFile(full / "dg-recov-3.dat");
  ASSERT_NE(first.find("\n$FIN$\n"), std::string::npos);

  ScratchDir again;
  writeFile(again / "m.msh", mesh);
  writeFile(again / ".dgrc", rc);
  writeFile(again / "dg-recov-3.dat", first);
  r = runProgram(again.path(), run + " -restart 3");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(find(r.out, "recover done at time "), std::string::npos);

  EXPECT_GE(expectSameCheckpoints(full, again, 6, 3), 2);

  // The log goes on from iteration 5 with the same solution columns
  // (processor times, columns 6, 7, 8 and 11, excepted).
  const std::vector<std::string> relog = lines(readFile(again / "DG.log"));
  ASSERT_EQ(relog.size() + 4, log.size());
  for (std::size_t i = 0; i < relog.size(); ++i) {
    std::vector<std::string> a = words(relog[i]), b = words(log[i + 4]);
    ASSERT_EQ(a.size(), 11u);
    ASSERT_EQ(b.size(), 11u);
    for (int k : {5, 6, 7, 10}) a[k] = b[k] = "";
    EXPECT_EQ(a, b) << relog[i];
  }
}

}  // namespace
