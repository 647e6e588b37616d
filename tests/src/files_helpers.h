// Helpers of the mesh-file and refinement tests: a scratch working directory,
// an order-free description of a whole mesh, and a scripted callback.
#ifndef TESTS_SRC_FILES_HELPERS_H
#define TESTS_SRC_FILES_HELPERS_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "KORA_Util.h"
#include "gEntity.h"
#include "mException.h"
#include "mMesh.h"
#include "mSplitCallbacks.h"
#include "mVertex.h"
#include "one_way_buffer.h"

namespace filestest {

using namespace KORA;

// Runs the test body in a fresh temporary directory, removed afterwards.
class InTempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char buf[PATH_MAX];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    home_ = buf;
    char tmpl[] = "/tmp/files_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(home_.c_str()), 0);
    std::filesystem::remove_all(dir_);
  }
  static void writeFile(const std::string& name, const std::string& text) {
    std::ofstream(name) << text;
  }
  static std::string readFile(const std::string& name) {
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string home_;
  std::string dir_;
};

inline std::string data(const char* name) { return std::string(DG_TEST_DATA) + "/" + name; }

inline std::string vertexKeyOf(mEntity* e) {
  std::vector<int> ids;
  const int n = e->getLevel() == 0 ? 0 : e->size(0);
  if (n == 0) return std::to_string(e->getId());
  for (int i = 0; i < n; ++i) ids.push_back(e->get(0, i)->getId());
  std::sort(ids.begin(), ids.end());
  std::string s;
  for (int id : ids) s += std::to_string(id) + ",";
  return s;
}

// One line per entity of every dimension and level: kind, vertices (or id and
// position), model entity, refinement parent and number of children. Equal
// descriptions mean the same mesh whatever the storage order.
inline std::multiset<std::string> describe(mMesh& m) {
  std::multiset<std::string> out;
  for (int d = 0; d <= 3; ++d) {
    for (auto it = m.beginall(d), last = m.endall(d); it != last; ++it) {
      mEntity* e = *it;
      std::string s = std::to_string(d) + " t" + std::to_string(e->getType()) + " [" +
                      vertexKeyOf(e) + "]";
      if (d == 0) {
        char buf[128];
        const mPoint p = static_cast<mVertex*>(e)->point();
        std::snprintf(buf, sizeof buf, " (%.17g %.17g %.17g)", p(0), p(1), p(2));
        s += buf;
      }
      gEntity* g = e->getClassification();
      s += g ? " g" + std::to_string(g->getLevel()) + ":" + std::to_string(g->getId()) : " g-";
      mEntity* p = d > 0 ? e->parent() : nullptr;
      s += p ? " p[" + vertexKeyOf(p) + "]" : " p-";
      const mAdjacencyContainer* c = e->getAdjacencyList(d);
      s += " c" + std::to_string(c ? c->size() : 0);
      out.insert(s);
    }
  }
  return out;
}

inline int countLeaves(mMesh& m, int d) {
  int n = 0;
  for (auto it = m.begin(d), last = m.end(d); it != last; ++it) ++n;
  return n;
}

// True when some entity of the mesh carries one of the refinement marks.
inline bool anyRefinementMark(mMesh& m) {
  KORA_Util* u = KORA_Util::Instance();
  for (int d = 0; d <= 3; ++d)
    for (auto it = m.beginall(d), last = m.endall(d); it != last; ++it)
      for (unsigned tag : {u->att1Id, u->att2Id, u->att3Id})
        if ((*it)->getData(tag)) return true;
  return false;
}

// A callback answering with a function and recording the notifications.
class ScriptedCallback : public mSplitCallbacks {
 public:
  explicit ScriptedCallback(std::function<int(mEntity*)> f) : answer(std::move(f)) {}
  int operator()(mEntity* e) override {
    ++asked;
    return answer(e);
  }
  void splitCallback(mEntity* e) override { split.push_back(e); }
  void unsplitCallback(mEntity* e) override {
    unsplitLevels.push_back(e->getLevel());
    ++unsplitCount;
  }
  std::function<int(mEntity*)> answer;
  int asked = 0;
  std::vector<mEntity*> split;
  std::vector<int> unsplitLevels;
  int unsplitCount = 0;
};

// Reads mesh text from a string, through a seekable stream or, when asked,
// through one that cannot seek.
inline void readMsh(mMesh& m, const std::string& text, bool oneWay = false) {
  if (oneWay) {
    OneWayBuffer buffer(text);
    std::istream in(&buffer);
    KORA_Util::Instance()->importDGFile(in, &m);
    return;
  }
  std::istringstream in(text);
  KORA_Util::Instance()->importDGFile(in, &m);
}

inline std::string writeMsh(mMesh& m, bool boundary) {
  std::ostringstream out;
  KORA_Util::Instance()->exportDGFile(out, &m, boundary);
  return out.str();
}

}  // namespace filestest

#endif
