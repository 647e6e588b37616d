// First-in-first-out queue of untyped pointers (in practice mesh entities),
// used to grow a cavity breadth-first. The queue is a plain list: items go in
// at the tail and come out at the head; it owns none of them.
#ifndef DG_MESHTOOLS_MT_QUEUE_H
#define DG_MESHTOOLS_MT_QUEUE_H

#include "KORA.h"

typedef KORA::pPList pPQueue;

pPQueue PQueue_new();
void PQueue_delete(pPQueue q);
// Appends at the tail, duplicates allowed.
void PQueue_push(pPQueue q, void* item);
// Appends at the tail unless the item is already queued.
void PQueue_pushUnique(pPQueue q, void* item);
// The head item, removed with every later occurrence of it; null when empty.
void* PQueue_pop(pPQueue q);
// Removes every occurrence of the item, the others keep their order.
void PQueue_remItem(pPQueue q, void* item);
void PQueue_reset(pPQueue q);
// Queued items, duplicates counted.
int PQueue_size(pPQueue q);

#endif
