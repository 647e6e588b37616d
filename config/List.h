#ifndef DG_LIST_H
#define DG_LIST_H

// Growable arrays of fixed-size records copied in by value (the container of
// the input language), the allocation wrappers they use and the comparison
// routines callers hand to them.
//
// Records are opaque blocks of recordSize bytes. A list grows by a fixed
// increment chosen at creation and is sorted lazily before a bisection search;
// `sorted` records that the records are in the order of the last comparison
// used for a search.
//
// Errors (a bad index, a failed allocation) are reported on standard output
// without a line end and the operation does nothing further.

#include <cstddef>
#include <cstdio>

struct List_T {
  int capacity;    // records the array can hold
  int recordSize;  // bytes per record
  int increment;   // growth step in records (at least 1)
  int count;       // records in use
  int sorted;      // 1 when known to be in the order of a comparison
  char *records;   // the array, null until the first allocation
  int sortedPrefix;  // leading records known sorted after appends to a sorted list
};

using ListCompare = int (*)(const void *, const void *);

// Allocation wrappers: report "Out of memory (buy some more RAM!)" and return
// null when the runtime allocator fails. Sizes are full-width byte counts:
// they never wrap at 32 bits.
void *Malloc(std::size_t n);
void *Calloc(std::size_t n, std::size_t size);
void *Realloc(void *p, std::size_t n);
void Free(void *p);

List_T *List_Create(int n, int incr, int size);
void List_Delete(List_T *liste);
void List_Realloc(List_T *liste, int n);
int List_Nbr(const List_T *liste);
void List_Add(List_T *liste, const void *data);
void List_Insert(List_T *liste, const void *data, ListCompare fcmp);
void List_Read(List_T *liste, int index, void *data);
void List_Write(List_T *liste, int index, const void *data);
void *List_Pointer(List_T *liste, int index);
void *List_Pointer_NoChange(List_T *liste, int index);
void List_Pop(List_T *liste);
void List_Reset(List_T *liste);
void List_Sort(List_T *liste, ListCompare fcmp);
int List_Search(List_T *liste, const void *data, ListCompare fcmp);
int List_ISearch(List_T *liste, const void *data, ListCompare fcmp);
int List_ISearchSeq(List_T *liste, const void *data, ListCompare fcmp);
int List_ISearchSeqPartial(List_T *liste, const void *data, int start, ListCompare fcmp);
int List_Query(List_T *liste, void *data, ListCompare fcmp);
void *List_PQuery(List_T *liste, const void *data, ListCompare fcmp);
int List_LQuery(List_T *liste, void *data, ListCompare fcmp, int first);
int List_Suppress(List_T *liste, const void *data, ListCompare fcmp);
int List_PSuppress(List_T *liste, int index);
int List_Replace(List_T *liste, const void *data, ListCompare fcmp);
void List_Action(List_T *liste, void (*action)(void *record, void *dummy));
void List_Action_Inverse(List_T *liste, void (*action)(void *record, void *dummy));
List_T *List_Copy(const List_T *liste);
void List_Put(List_T *liste, int index, const void *data);
void List_Invert(List_T *from, List_T *to);

// File forms: format 0 text, 1 binary.
List_T *List_CreateFromFile(int n, int size, FILE *file, int format, int swap);
void List_WriteToFile(List_T *liste, FILE *file, int format);

void swap_bytes(char *array, int size, int n);
void *lolofind(const void *key, const void *base, int n, int size, ListCompare fcmp);

int fcmp_int(const void *a, const void *b);
int fcmp_absint(const void *a, const void *b);
int fcmp_double(const void *a, const void *b);

#endif
