// Circular singly-linked work lists. The untyped layer links; the typed
// layer holds a value per link and allocates through MD_malloc/MD_free.
// The list keeps only its last link: the first is last->next.
#ifndef KORA_CINT_SLISTBASE_H
#define KORA_CINT_SLISTBASE_H

#include <cstddef>

#include "MD_memory.h"

namespace KORA {

class SLinkBase {
 public:
  SLinkBase* next = nullptr;
};

class SListBase {
 public:
  SLinkBase* last = nullptr;
  int count = 0;

  SListBase() = default;
  SListBase(const SListBase&) = delete;
  SListBase& operator=(const SListBase&) = delete;
  // Frees every link with the global operator delete.
  ~SListBase() { clear(); }

  // The link becomes the first one.
  void insert(SLinkBase* a);
  // The link becomes the last one.
  void append(SLinkBase* a);
  // Takes out the first link (null for an empty list).
  SLinkBase* get();
  // The i-th link from the first; null out of range.
  SLinkBase* nth(int i) const;
  void reverse();
  void clear();
};

class SListBaseIter {
 public:
  explicit SListBaseIter(SListBase& l) : slist(&l) { reset(); }
  void reset() {
    current = slist->last;
    previous = nullptr;
  }
  // The link the next step would stand on, or null at the end.
  SLinkBase* next() const;
  // Inserts at the walk's position: the next step hands the link out.
  void insert(SLinkBase* a);
  // Takes out the link the walk stands on and frees it with the global delete.
  void remove();
  SListBase* list() const { return slist; }

 protected:
  bool atEnd() const { return !current || (current == slist->last && previous); }
  // Unlinks the current link and returns it (null when there is none).
  SLinkBase* unlinkCurrent();
  // One step; the link stood on afterwards, null at the end.
  SLinkBase* step();

  SListBase* slist;
  SLinkBase* current;
  SLinkBase* previous;
};

template <class T>
class SSLink : public SLinkBase {
 public:
  T data;
  explicit SSLink(const T& v) : data(v) {}
  static void* operator new(std::size_t n) { return MD_malloc(n); }
  static void operator delete(void* p, std::size_t n) { MD_free(n, p); }
};

template <class T>
class SSListIter;

template <class T>
class SSList : public SListBase {
 public:
  SSList() = default;
  ~SSList() { clear(); }
  static void* operator new(std::size_t n) { return MD_malloc(n); }
  static void operator delete(void* p, std::size_t n) { MD_free(n, p); }

  int size() const { return count; }
  void append(const T& v) { SListBase::append(new SSLink<T>(v)); }
  void appendUnique(const T& v) {
    if (!inList(v)) append(v);
  }
  int inList(const T& v) const {
    if (!last) return 0;
    SLinkBase* l = last;
    do {
      l = l->next;
      if (static_cast<SSLink<T>*>(l)->data == v) return 1;
    } while (l != last);
    return 0;
  }
  void remove(const T& v);
  // Value of the i-th link; 0 <= i < size().
  T nth(int i) const { return static_cast<SSLink<T>*>(SListBase::nth(i))->data; }
  void clear() {
    while (SLinkBase* l = get()) delete static_cast<SSLink<T>*>(l);
  }
};

template <class T>
class SSListIter : public SListBaseIter {
 public:
  explicit SSListIter(SSList<T>& l) : SListBaseIter(l) {}
  // Hands out the next value; 0 at the end (v unchanged).
  int next(T& v) {
    SLinkBase* l = step();
    if (!l) return 0;
    v = static_cast<SSLink<T>*>(l)->data;
    return 1;
  }
  void insert(const T& v) { SListBaseIter::insert(new SSLink<T>(v)); }
  void remove() { delete static_cast<SSLink<T>*>(unlinkCurrent()); }
};

template <class T>
void SSList<T>::remove(const T& v) {
  SSListIter<T> it(*this);
  T x;
  while (it.next(x))
    if (x == v) {
      it.remove();
      return;
    }
}

}  // namespace KORA

#endif
