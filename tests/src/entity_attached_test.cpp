// Attached data on any holder: typed values with their defaults, untyped
// objects, deletion, ownership, and the shared record of periodic copies.
#include <gtest/gtest.h>

#include "KORA_Util.h"
#include "entity_helpers.h"
#include "mAttachableDataContainer.h"
#include "mFace.h"
#include "mVertex.h"

using namespace KORA;
using entity_test::Pool;

namespace {
// Counts live objects so that ownership can be checked.
struct Counted : mAttachableData {
  static int alive;
  Counted() { ++alive; }
  ~Counted() override { --alive; }
};
int Counted::alive = 0;

unsigned int tagOf(const char* name) { return KORA_Util::Instance()->getMeshDataId(name); }
}  // namespace

TEST(EntityAttached, TypedValuesAndDefaults) {
  mAttachableDataContainer h;
  const unsigned int ti = tagOf("test_int"), td = tagOf("test_double"), te = tagOf("test_entity"),
                     tv = tagOf("test_vector"), tt = tagOf("test_tensor");
  EXPECT_EQ(h.getAttachedInt(ti), 0);
  EXPECT_EQ(h.getAttachedDouble(td), 0.0);
  EXPECT_EQ(h.getAttachedEntity(te), nullptr);
  const mVector v0 = h.getAttachedVector(tv);
  EXPECT_TRUE(v0(0) == 0 && v0(1) == 0 && v0(2) == 0);
  const mTensor2 t0 = h.getAttachedTensor(tt);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(t0(i, j), 0.0);

  h.attachInt(ti, 5);
  h.attachInt(ti, 7);
  EXPECT_EQ(h.getAttachedInt(ti), 7);
  EXPECT_EQ(h.nbAttachedData(), 1);

  Pool pool;
  mVertex* v = pool.vertex(3, 0, 0, 0);
  h.attachDouble(td, 2.5);
  h.attachEntity(te, v);
  h.attachVector(tv, mVector(1, -2, 3));
  mTensor2 t(0.0);
  t(1, 2) = 4.0;
  h.attachTensor(tt, t);
  EXPECT_EQ(h.getAttachedDouble(td), 2.5);
  EXPECT_EQ(h.getAttachedEntity(te), v);
  EXPECT_EQ(h.getAttachedVector(tv)(1), -2.0);
  EXPECT_EQ(h.getAttachedTensor(tt)(1, 2), 4.0);
  EXPECT_EQ(h.nbAttachedData(), 5);
  // The attached entity is not owned: the holder goes, the vertex stays.
}

TEST(EntityAttached, FirstPairWinsAndDeleteRemovesAll) {
  const unsigned int tag = tagOf("test_untyped"), other = tagOf("test_other");
  Counted::alive = 0;
  {
    mAttachableDataContainer h;
    Counted* a = new Counted;
    Counted* b = new Counted;
    h.attachData(other, new Counted);
    h.attachData(tag, a);
    h.attachData(tag, b);
    EXPECT_EQ(h.getData(tag), a);
    EXPECT_EQ(h.nbAttachedData(), 3);

    h.deleteData(tagOf("test_absent"));
    EXPECT_EQ(h.nbAttachedData(), 3);

    h.deleteData(tag);
    EXPECT_EQ(h.getData(tag), nullptr);
    EXPECT_EQ(h.nbAttachedData(), 1);
    EXPECT_EQ(h.attachedInfo(0).tag, other);
    EXPECT_EQ(Counted::alive, 1);  // both objects under the tag are gone
  }
  EXPECT_EQ(Counted::alive, 0);  // the holder deletes what is left
}

TEST(EntityAttached, EntityDeletesItsDataNotItsParent) {
  Pool pool;
  mVertex* a = pool.vertex(1, 0, 0, 0);
  mVertex* b = pool.vertex(2, 1, 0, 0);
  mVertex* c = pool.vertex(3, 0, 1, 0);
  mFace* parent = pool.keep(new mFace(a, b, c, nullptr));
  Counted::alive = 0;
  mFace* child = new mFace(a, b, c, nullptr);
  child->attachInt(tagOf("test_int"), 1);
  child->attachVector(tagOf("test_vector"), mVector(1, 1, 1));
  child->attachData(tagOf("test_untyped"), new Counted);
  child->attachFastData(new Counted);
  child->setParent(parent);
  EXPECT_EQ(child->nbAttachedData(), 4);
  EXPECT_EQ(Counted::alive, 2);
  delete child;
  EXPECT_EQ(Counted::alive, 0);
  EXPECT_EQ(parent->getLevel(), 2);  // still alive (checked by the sanitizer too)
}

TEST(EntityAttached, MirrorRecordsAreSharedByTheirCopies) {
  Pool pool;
  mVertex* a = pool.vertex(10, 0, 0, 0);
  mVertex* b = pool.vertex(11, 1, 0, 0);
  const unsigned int mirror = tagOf("_mirror");
  mMirrorVertex r1, r2;
  r1.addCopy(a);
  r1.addCopy(a);
  EXPECT_EQ(r1.nbCopies(), 1);
  EXPECT_EQ(a->nbAttachedData(), 1);
  r1.addCopy(b);
  EXPECT_EQ(r1.nbCopies(), 2);
  EXPECT_EQ(r1.getCopy(0), a);
  EXPECT_EQ(r1.getCopy(1), b);
  for (mVertex* v : {a, b}) {
    auto* m = static_cast<mAttachableMirrorVertex*>(v->getData(mirror));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->getMirror(), &r1);
  }

  // A vertex in two records carries two attachments; look-ups see the first.
  r2.addCopy(a);
  EXPECT_EQ(a->nbAttachedData(), 2);
  EXPECT_EQ(static_cast<mAttachableMirrorVertex*>(a->getData(mirror))->getMirror(), &r1);

  const std::string out = entity_test::captured([&] { r1.print(); });
  EXPECT_EQ(out,
            "2 copies\n"
            "vertex 10 = (0.000000,0.000000,0.000000)\n"
            "vertex 11 = (1.000000,0.000000,0.000000)\n");
}
