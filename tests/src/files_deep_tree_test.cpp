// Refinement trees thousands of levels deep, as a damaged mesh or recovery
// file may hold: reading, walking, writing and deleting them must not use
// the call stack per level. The work runs on a thread with a small stack, so
// a recursion per level would overflow it.
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <list>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "files_helpers.h"

namespace {

using namespace KORA;
using namespace filestest;

// Runs f on a thread with a stack of 128 KiB; 8000 levels of even the
// smallest call frame need more than that.
void onSmallStack(std::function<void()> f) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, 128 * 1024), 0);
  pthread_t t;
  auto run = [](void* p) -> void* {
    (*static_cast<std::function<void()>*>(p))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&t, &attr, run, &f), 0);
  pthread_join(t, nullptr);
  pthread_attr_destroy(&attr);
}

struct TreeFacts {
  int edges = 0, leaves = 0, leafLevel = -1, rootDepth = -1;
  std::size_t leavesBelowRoot = 0, subtree = 0, closure = 0;
};

TreeFacts factsOf(mMesh& m) {
  TreeFacts f;
  f.edges = m.size(1);
  mEntity* root = nullptr;
  for (auto it = m.beginall(1), last = m.endall(1); it != last; ++it)
    if (!(*it)->parent()) root = *it;
  for (auto it = m.begin(1), last = m.end(1); it != last; ++it) {
    ++f.leaves;
    f.leafLevel = m.getRefinementLevel(*it);
  }
  if (!root) return f;
  f.rootDepth = m.getRefinementDepth(root);
  std::list<mEntity*> leaves, all;
  root->getLeaves(leaves);
  root->getAllSubTree(all);
  f.leavesBelowRoot = leaves.size();
  f.subtree = all.size();
  std::set<mEntity*> closure;
  root->getAllEntitiesOfAllDimensions(closure);
  f.closure = closure.size();
  return f;
}

TEST(FilesDeepTree, ThousandsOfLevelsAreReadWalkedWrittenAndDeletedWithoutRecursion) {
  const int levels = 8000;
  // Each edge record has one child, the next record, down to the last.
  std::string text = "$NOE\n2\n1 0 0 0\n2 1 0 0\n$ENDNOE\n$ELM\n" + std::to_string(levels) + "\n";
  std::string written = "$ELM\n" + std::to_string(levels) + "\n";
  for (int i = 1; i <= levels; ++i) {
    const std::string record = std::to_string(i) + " 1 4 " + (i < levels ? "-1" : "0") + " 2 1 2\n";
    text += record;
    // Written back one blank deeper per level.
    written += std::string(static_cast<std::size_t>(i - 1), ' ') + record;
  }
  text += "$ENDELM\n";
  written += "$ENDELM\n";

  TreeFacts read, again;
  std::string out;
  int after = 0;
  bool thrown = false;
  onSmallStack([&] {
    try {
      // As the mesh section of a recovery file, followed by the driver's data.
      auto m = std::make_unique<mMesh>(1);
      std::istringstream recovery(text + "$FIN$\n42\n");
      KORA_Util::Instance()->importDGFile(recovery, m.get());
      recovery >> after;
      read = factsOf(*m);
      out = writeMsh(*m, false);
      m.reset();
      auto back = std::make_unique<mMesh>(1);
      readMsh(*back, out, true);
      again = factsOf(*back);
    } catch (mException* e) {
      delete e;
      thrown = true;
    }
  });
  ASSERT_FALSE(thrown);
  EXPECT_EQ(after, 42);
  for (const TreeFacts* f : {&read, &again}) {
    EXPECT_EQ(f->edges, levels);
    EXPECT_EQ(f->leaves, 1);
    EXPECT_EQ(f->leafLevel, levels - 1);
    EXPECT_EQ(f->rootDepth, levels - 1);
    EXPECT_EQ(f->leavesBelowRoot, 1u);
    EXPECT_EQ(f->subtree, static_cast<std::size_t>(levels));
    EXPECT_EQ(f->closure, static_cast<std::size_t>(levels));
  }
  const std::size_t elm = out.find("$ELM\n");
  ASSERT_NE(elm, std::string::npos);
  EXPECT_TRUE(out.compare(elm, std::string::npos, written) == 0);
}

}  // namespace
