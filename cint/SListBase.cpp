#include "SListBase.h"

namespace KORA {

void SListBase::insert(SLinkBase* a) {
  if (last) {
    a->next = last->next;
    last->next = a;
  } else {
    a->next = a;
    last = a;
  }
  ++count;
}

void SListBase::append(SLinkBase* a) {
  insert(a);
  last = a;
}

SLinkBase* SListBase::get() {
  if (!last) return nullptr;
  SLinkBase* f = last->next;
  if (f == last)
    last = nullptr;
  else
    last->next = f->next;
  --count;
  return f;
}

SLinkBase* SListBase::nth(int i) const {
  if (!last || i < 0) return nullptr;
  SLinkBase* l = last->next;
  for (int k = 0; k < i; ++k) {
    if (l == last) return nullptr;
    l = l->next;
  }
  return l;
}

void SListBase::reverse() {
  SListBase other;
  const int n = count;
  while (SLinkBase* l = get()) other.insert(l);
  last = other.last;
  count = n;
  other.last = nullptr;
  other.count = 0;
}

void SListBase::clear() {
  while (SLinkBase* l = get()) delete l;
}

SLinkBase* SListBaseIter::next() const { return atEnd() ? nullptr : current->next; }

SLinkBase* SListBaseIter::step() {
  if (atEnd()) return nullptr;
  previous = current;
  current = current->next;
  return current;
}

void SListBaseIter::insert(SLinkBase* a) {
  SListBase& l = *slist;
  if (!l.last) {
    l.insert(a);
    current = previous = a;
    return;
  }
  // A walk made while the list was empty has no link yet: it stands at the start.
  if (!current) reset();
  if (current == l.last && !previous) {
    l.insert(a);  // before the first link
    return;
  }
  a->next = current->next;
  current->next = a;
  if (current == l.last) l.last = a;
  ++l.count;
}

SLinkBase* SListBaseIter::unlinkCurrent() {
  SListBase& l = *slist;
  // Only a link handed out by the last step can be removed.
  if (!current || !previous || !l.last) return nullptr;
  SLinkBase* c = current;
  if (l.count == 1) {
    l.last = nullptr;
    l.count = 0;
    current = previous = nullptr;
    return c;
  }
  const bool wasFirst = (c == l.last->next);
  previous->next = c->next;
  if (c == l.last) l.last = previous;
  --l.count;
  current = previous;
  previous = wasFirst ? nullptr : current;
  // After removing the first link the walk is back at its start.
  if (wasFirst) current = l.last;
  return c;
}

void SListBaseIter::remove() { delete unlinkCurrent(); }

}  // namespace KORA
