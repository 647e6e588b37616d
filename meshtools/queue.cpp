#include "MT_queue.h"

using namespace KORA;

pPQueue PQueue_new() { return PList_new(); }

void PQueue_delete(pPQueue q) { PList_delete(q); }

void PQueue_push(pPQueue q, void* item) { PList_append(q, item); }

void PQueue_pushUnique(pPQueue q, void* item) { PList_appUnique(q, item); }

void* PQueue_pop(pPQueue q) {
  if (PList_size(q) == 0) return nullptr;
  void* head = PList_item(q, 0);
  PList_remFirst(q);
  return head;
}

void PQueue_remItem(pPQueue q, void* item) { PList_remItem(q, item); }

void PQueue_reset(pPQueue q) {
  while (PList_size(q) > 0) PList_remFirst(q);
}

int PQueue_size(pPQueue q) { return PList_size(q); }
