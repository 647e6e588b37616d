#include "mAttachableDataContainer.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "KORA_Util.h"
#include "mVertex.h"

namespace KORA {

mAttachableDataContainer::~mAttachableDataContainer() {
  const int n = nbAttachedData();
  for (int k = 0; k < n; ++k) delete pairs()[k].data;
  std::free(block);
}

mAttachableData* mAttachableDataContainer::getData(unsigned int tag) const {
  const equalInfoPred pred(tag);
  const int n = nbAttachedData();
  for (int k = 0; k < n; ++k)
    if (pred(pairs()[k])) return pairs()[k].data;
  return nullptr;
}

void mAttachableDataContainer::attachData(unsigned int tag, mAttachableData* d) {
  const std::uint32_t n = block ? block->n : 0, cap = block ? block->cap : 0;
  if (n == cap) {
    const std::uint32_t room = cap ? 2 * cap : 1;
    Block* p = static_cast<Block*>(std::realloc(block, sizeof(Block) + sizeof(info) * room));
    if (!p) throw std::bad_alloc();
    block = p;
    block->n = n;
    block->cap = room;
  }
  pairs()[n].tag = tag;
  pairs()[n].data = d;
  block->n = n + 1;
}

void mAttachableDataContainer::deleteData(unsigned int tag) {
  // Every object under the tag goes, not only the first, so that nothing
  // attached twice under one tag is left without owner.
  const equalInfoPred pred(tag);
  const int n = nbAttachedData();
  info* p = block ? pairs() : nullptr;
  std::uint32_t w = 0;
  for (int k = 0; k < n; ++k) {
    if (pred(p[k]))
      delete p[k].data;
    else
      p[w++] = p[k];
  }
  if (w == 0) {
    std::free(block);
    block = nullptr;
  } else {
    block->n = w;
  }
}

namespace {
template <class Kind>
Kind* findOrMake(mAttachableDataContainer* c, unsigned int tag) {
  Kind* k = static_cast<Kind*>(c->getData(tag));
  if (!k) {
    k = new Kind;
    c->attachData(tag, k);
  }
  return k;
}
}  // namespace

void mAttachableDataContainer::attachInt(unsigned int tag, int i) {
  findOrMake<mAttachableInt>(this, tag)->i = i;
}

int mAttachableDataContainer::getAttachedInt(unsigned int tag) const {
  const mAttachableData* d = getData(tag);
  return d ? static_cast<const mAttachableInt*>(d)->i : 0;
}

void mAttachableDataContainer::attachDouble(unsigned int tag, double v) {
  findOrMake<mAttachableDouble>(this, tag)->d = v;
}

double mAttachableDataContainer::getAttachedDouble(unsigned int tag) const {
  const mAttachableData* d = getData(tag);
  return d ? static_cast<const mAttachableDouble*>(d)->d : 0.0;
}

void mAttachableDataContainer::attachEntity(unsigned int tag, mEntity* e) {
  findOrMake<mAttachableEntity>(this, tag)->e = e;
}

mEntity* mAttachableDataContainer::getAttachedEntity(unsigned int tag) const {
  const mAttachableData* d = getData(tag);
  return d ? static_cast<const mAttachableEntity*>(d)->e : nullptr;
}

void mAttachableDataContainer::attachVector(unsigned int tag, const mVector& v) {
  findOrMake<mAttachable_mVector>(this, tag)->v = v;
}

mVector mAttachableDataContainer::getAttachedVector(unsigned int tag) const {
  const mAttachableData* d = getData(tag);
  return d ? static_cast<const mAttachable_mVector*>(d)->v : mVector(0, 0, 0);
}

void mAttachableDataContainer::attachTensor(unsigned int tag, const mTensor2& t) {
  findOrMake<mAttachable_mTensor2>(this, tag)->t = t;
}

mTensor2 mAttachableDataContainer::getAttachedTensor(unsigned int tag) const {
  const mAttachableData* d = getData(tag);
  return d ? static_cast<const mAttachable_mTensor2*>(d)->t : mTensor2(0.0);
}

void mMirrorVertex::addCopy(mVertex* v) {
  const unsigned int tag = KORA_Util::Instance()->getMeshDataId("_mirror");
  for (mVertex* c : copies)
    if (c == v) return;
  copies.push_back(v);
  mAttachableMirrorVertex* a = new mAttachableMirrorVertex;
  a->e = this;
  v->attachData(tag, a);
}

void mMirrorVertex::print() const {
  std::printf("%d copies\n", nbCopies());
  for (mVertex* c : copies) c->print();
}

}  // namespace KORA
