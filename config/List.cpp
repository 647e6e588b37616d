#include "List.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

const char *const OUT_OF_MEMORY = "Out of memory (buy some more RAM!)";

char *recordAt(List_T *liste, int index) {
  return liste->records + static_cast<std::size_t>(index) * liste->recordSize;
}

void copyBytes(void *to, const void *from, std::size_t n) {
  if (n > 0 && to && from) std::memmove(to, from, n);
}

bool indexValid(const List_T *liste, int index) {
  return liste && index >= 0 && index < liste->count && liste->records;
}

// Appends one record; keeps track of a sorted prefix so that a following
// lazy sort can insert the new record instead of sorting everything again.
void appendRecord(List_T *liste, const void *data) {
  if (liste->count == INT_MAX) {
    std::printf("%s", OUT_OF_MEMORY);
    return;
  }
  int wasSorted = liste->sorted;
  List_Realloc(liste, liste->count + 1);
  if (!liste->records || liste->capacity <= liste->count) return;
  copyBytes(recordAt(liste, liste->count), data, liste->recordSize);
  liste->count++;
  liste->sortedPrefix = wasSorted ? liste->count - 1 : 0;
  liste->sorted = 0;
}

// Sorts the records when they are not known to be sorted.
void lazySort(List_T *liste, ListCompare fcmp) {
  if (liste->sorted == 1) return;
  int n = liste->count;
  if (n > 1 && liste->records) {
    if (liste->sortedPrefix == n - 1) {
      // Only the last record is out of place: binary insertion.
      std::size_t size = liste->recordSize;
      char *last = static_cast<char *>(std::malloc(size));
      if (last) {
        std::memcpy(last, recordAt(liste, n - 1), size);
        int lo = 0, hi = n - 1;
        while (lo < hi) {
          int mid = (lo + hi) / 2;
          if (fcmp(recordAt(liste, mid), last) <= 0)
            lo = mid + 1;
          else
            hi = mid;
        }
        std::memmove(recordAt(liste, lo + 1), recordAt(liste, lo), (n - 1 - lo) * size);
        std::memcpy(recordAt(liste, lo), last, size);
        std::free(last);
      } else {
        std::qsort(liste->records, n, liste->recordSize, fcmp);
      }
    } else {
      std::qsort(liste->records, n, liste->recordSize, fcmp);
    }
  }
  liste->sorted = 1;
  liste->sortedPrefix = 0;
}

// Lazy sort then bisection; index of the record equal to the key, or -1.
int bisect(List_T *liste, const void *key, ListCompare fcmp) {
  lazySort(liste, fcmp);
  if (liste->count <= 0 || !liste->records) return -1;
  void *found = std::bsearch(key, liste->records, liste->count, liste->recordSize, fcmp);
  if (!found) return -1;
  return static_cast<int>((static_cast<char *>(found) - liste->records) / liste->recordSize);
}

void modified(List_T *liste) {
  liste->sorted = 0;
  liste->sortedPrefix = 0;
}

char *startptr = nullptr;  // cursor of List_LQuery

}  // namespace

void *Malloc(std::size_t n) {
  if (n == 0) return nullptr;
  void *p = std::malloc(n);
  if (!p) std::printf("%s", OUT_OF_MEMORY);
  return p;
}

void *Calloc(std::size_t n, std::size_t size) {
  if (size == 0 || n == 0) return nullptr;
  void *p = std::calloc(n, size);
  if (!p) std::printf("%s", OUT_OF_MEMORY);
  return p;
}

void *Realloc(void *p, std::size_t n) {
  if (n == 0) return nullptr;
  void *q = std::realloc(p, n);
  if (!q) std::printf("%s", OUT_OF_MEMORY);
  return q;
}

void Free(void *p) { std::free(p); }

List_T *List_Create(int n, int incr, int size) {
  if (n < 1) n = 1;
  if (incr < 1) incr = 1;
  List_T *liste = static_cast<List_T *>(Malloc(sizeof(List_T)));
  if (!liste) return nullptr;
  liste->capacity = 0;
  liste->recordSize = size;
  liste->increment = incr;
  liste->count = 0;
  liste->sorted = 0;
  liste->records = nullptr;
  liste->sortedPrefix = 0;
  List_Realloc(liste, n);
  return liste;
}

void List_Delete(List_T *liste) {
  if (!liste) return;
  Free(liste->records);
  Free(liste);
}

void List_Realloc(List_T *liste, int n) {
  if (!liste || n < 1 || n <= liste->capacity) return;
  // Counted in 64 bits: a capacity beyond the int range cannot be held.
  const long long capacity = (static_cast<long long>(n - 1) / liste->increment + 1) * liste->increment;
  if (capacity > INT_MAX) {
    std::printf("%s", OUT_OF_MEMORY);
    return;
  }
  const std::size_t bytes = static_cast<std::size_t>(capacity) * static_cast<std::size_t>(liste->recordSize);
  char *p;
  if (!liste->records)
    p = static_cast<char *>(Malloc(bytes));
  else
    p = static_cast<char *>(Realloc(liste->records, bytes));
  if (!p) return;  // the list keeps its old array
  liste->records = p;
  liste->capacity = static_cast<int>(capacity);
}

int List_Nbr(const List_T *liste) { return liste ? liste->count : 0; }

void List_Add(List_T *liste, const void *data) { appendRecord(liste, data); }

void List_Insert(List_T *liste, const void *data, ListCompare fcmp) {
  if (!List_Search(liste, data, fcmp)) appendRecord(liste, data);
}

void List_Read(List_T *liste, int index, void *data) {
  if (!indexValid(liste, index)) {
    std::printf("Wrong list index (read)");
    return;
  }
  copyBytes(data, recordAt(liste, index), liste->recordSize);
}

void List_Write(List_T *liste, int index, const void *data) {
  if (!indexValid(liste, index)) {
    std::printf("Wrong list index (write)");
    return;
  }
  modified(liste);
  copyBytes(recordAt(liste, index), data, liste->recordSize);
}

void *List_Pointer(List_T *liste, int index) {
  if (!indexValid(liste, index)) {
    std::printf("Wrong list index (pointer)");
    return nullptr;
  }
  modified(liste);
  return recordAt(liste, index);
}

void *List_Pointer_NoChange(List_T *liste, int index) {
  if (!indexValid(liste, index)) {
    std::printf("Wrong list index (pointer)");
    return nullptr;
  }
  return recordAt(liste, index);
}

void List_Pop(List_T *liste) {
  if (liste && liste->count > 0) liste->count--;
}

void List_Reset(List_T *liste) {
  if (liste) liste->count = 0;
}

void List_Sort(List_T *liste, ListCompare fcmp) {
  if (liste && liste->count > 1 && liste->records)
    std::qsort(liste->records, liste->count, liste->recordSize, fcmp);
  if (liste) liste->sortedPrefix = 0;
}

int List_Search(List_T *liste, const void *data, ListCompare fcmp) {
  return bisect(liste, data, fcmp) >= 0 ? 1 : 0;
}

int List_ISearch(List_T *liste, const void *data, ListCompare fcmp) {
  return bisect(liste, data, fcmp);
}

int List_ISearchSeqPartial(List_T *liste, const void *data, int start, ListCompare fcmp) {
  if (!liste) return -1;
  if (start < 0) start = 0;
  for (int i = start; i < liste->count; i++) {
    void *record = List_Pointer(liste, i);
    if (fcmp(data, record) == 0) return i;
  }
  return -1;
}

int List_ISearchSeq(List_T *liste, const void *data, ListCompare fcmp) {
  return List_ISearchSeqPartial(liste, data, 0, fcmp);
}

int List_Query(List_T *liste, void *data, ListCompare fcmp) {
  int i = bisect(liste, data, fcmp);
  if (i < 0) return 0;
  copyBytes(data, recordAt(liste, i), liste->recordSize);
  return 1;
}

void *List_PQuery(List_T *liste, const void *data, ListCompare fcmp) {
  int i = bisect(liste, data, fcmp);
  return i < 0 ? nullptr : recordAt(liste, i);
}

int List_LQuery(List_T *liste, void *data, ListCompare fcmp, int first) {
  if (!liste || !liste->records) return 0;
  char *end = recordAt(liste, liste->count);
  char *p;
  if (first == 1) {
    p = liste->records;
  } else {
    if (!startptr) return 0;
    p = startptr;
    if (p < liste->records || p >= end) return 0;  // the cursor belongs to no record here
  }
  for (; p < end; p += liste->recordSize) {
    if (fcmp(p, data) == 0) {
      startptr = p + liste->recordSize;
      if (startptr >= end) startptr = nullptr;
      copyBytes(data, p, liste->recordSize);
      return 1;
    }
  }
  return 0;
}

int List_Suppress(List_T *liste, const void *data, ListCompare fcmp) {
  int i = bisect(liste, data, fcmp);
  if (i < 0) return 0;
  std::size_t after = static_cast<std::size_t>(liste->count - 1 - i) * liste->recordSize;
  copyBytes(recordAt(liste, i), recordAt(liste, i + 1), after);
  liste->count--;
  return 1;
}

int List_PSuppress(List_T *liste, int index) {
  if (!liste || !liste->records) return 0;
  if (!indexValid(liste, index)) {
    std::printf("Wrong list index (pointer)");
    return 0;
  }
  std::size_t after = static_cast<std::size_t>(liste->count - 1 - index) * liste->recordSize;
  copyBytes(recordAt(liste, index), recordAt(liste, index + 1), after);
  liste->count--;
  return 1;
}

int List_Replace(List_T *liste, const void *data, ListCompare fcmp) {
  int i = bisect(liste, data, fcmp);
  if (i >= 0) {
    copyBytes(recordAt(liste, i), data, liste->recordSize);
    return 1;
  }
  appendRecord(liste, data);
  return 0;
}

void List_Action(List_T *liste, void (*action)(void *record, void *dummy)) {
  if (!liste) return;
  for (int i = 0; i < liste->count; i++) action(recordAt(liste, i), nullptr);
}

void List_Action_Inverse(List_T *liste, void (*action)(void *record, void *dummy)) {
  if (!liste) return;
  for (int i = liste->count - 1; i >= 0; i--) action(recordAt(liste, i), nullptr);
}

List_T *List_Copy(const List_T *liste) {
  if (!liste) return nullptr;
  List_T *copy = static_cast<List_T *>(Malloc(sizeof(List_T)));
  if (!copy) return nullptr;
  *copy = *liste;
  copy->records = nullptr;
  if (liste->records && liste->capacity > 0) {
    std::size_t bytes = static_cast<std::size_t>(liste->capacity) * liste->recordSize;
    copy->records = static_cast<char *>(Malloc(bytes));
    if (copy->records)
      std::memcpy(copy->records, liste->records, bytes);
    else
      copy->capacity = copy->count = 0;
  }
  return copy;
}

void List_Put(List_T *liste, int index, const void *data) {
  if (!liste) return;
  if (index < 0) {
    std::printf("Wrong list index (put)");
    std::printf("Wrong list index (write)");
    return;
  }
  if (index >= liste->count) {
    if (index == INT_MAX) {
      std::printf("%s", OUT_OF_MEMORY);
      return;
    }
    List_Realloc(liste, index + 1);
    if (!liste->records || liste->capacity <= index) return;
    // Records between the old end and the new one are zeroed.
    std::size_t gap = static_cast<std::size_t>(index - liste->count) * liste->recordSize;
    if (gap) std::memset(recordAt(liste, liste->count), 0, gap);
    liste->count = index + 1;
  }
  modified(liste);
  copyBytes(recordAt(liste, index), data, liste->recordSize);
}

void List_Invert(List_T *from, List_T *to) {
  if (!from || !to) return;
  for (int i = from->count - 1; i >= 0; i--) appendRecord(to, recordAt(from, i));
}

List_T *List_CreateFromFile(int n, int size, FILE *file, int format, int swap) {
  if (n <= 0 || !file) return nullptr;
  if (format == 0) {
    if (size != 8 && size != 4 && size != 1) {
      std::printf("Bad type of data to create list from (size = %d)", size);
      return nullptr;
    }
  } else if (format != 1) {
    std::printf("Unknown list format");
    return nullptr;
  }
  List_T *liste = List_Create(n, 1, size);
  if (!liste || !liste->records) {
    List_Delete(liste);
    return nullptr;
  }
  if (format == 0) {
    for (int i = 0; i < n; i++) {
      char *r = recordAt(liste, i);
      std::memset(r, 0, size);
      int ok = 0;
      if (size == 8) {
        ok = std::fscanf(file, "%lf", reinterpret_cast<double *>(r));
      } else if (size == 4) {
        ok = std::fscanf(file, "%f", reinterpret_cast<float *>(r));
      } else {
        ok = std::fscanf(file, "%c", r);
        if (*r == '^') *r = 0;
      }
      (void)ok;  // a short file leaves zeros
    }
  } else {
    std::size_t got = std::fread(liste->records, size, n, file);
    if (got < static_cast<std::size_t>(n))
      std::memset(recordAt(liste, static_cast<int>(got)), 0, (n - got) * size);
    if (swap) swap_bytes(liste->records, size, n);
  }
  liste->count = n;
  return liste;
}

void List_WriteToFile(List_T *liste, FILE *file, int format) {
  if (!liste || liste->count == 0 || !file) return;
  if (format == 0) {
    int size = liste->recordSize;
    if (size != 8 && size != 4 && size != 1) {
      std::printf("Bad type of data to write list to file (size = %d)", size);
      return;
    }
    for (int i = 0; i < liste->count; i++) {
      const char *r = recordAt(liste, i);
      if (size == 8) {
        double d;
        std::memcpy(&d, r, 8);
        std::fprintf(file, " %.16g", d);
      } else if (size == 4) {
        float f;
        std::memcpy(&f, r, 4);
        std::fprintf(file, " %.16g", static_cast<double>(f));
      } else {
        char c = *r;
        if (c == 0)
          c = '^';
        else if (c == '^')
          c = '_';
        std::fprintf(file, "%c", c);
      }
    }
  } else if (format == 1) {
    std::fwrite(liste->records, liste->recordSize, liste->count, file);
  } else {
    std::printf("Unknown list format");
  }
}

void swap_bytes(char *array, int size, int n) {
  if (!array || size <= 1) return;
  for (int i = 0; i < n; i++) {
    char *item = array + static_cast<std::size_t>(i) * size;
    for (int a = 0, b = size - 1; a < b; a++, b--) {
      char c = item[a];
      item[a] = item[b];
      item[b] = c;
    }
  }
}

void *lolofind(const void *key, const void *base, int n, int size, ListCompare fcmp) {
  const char *p = static_cast<const char *>(base);
  for (int i = 0; i < n; i++, p += size)
    if (fcmp(p, key) == 0) return const_cast<char *>(p);
  return nullptr;
}

int fcmp_int(const void *a, const void *b) {
  int x, y;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  // Compared, not subtracted, so that extreme values cannot overflow.
  return (x > y) - (x < y);
}

int fcmp_absint(const void *a, const void *b) {
  int x, y;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  long long ax = x < 0 ? -static_cast<long long>(x) : x;
  long long ay = y < 0 ? -static_cast<long long>(y) : y;
  return (ax > ay) - (ax < ay);
}

int fcmp_double(const void *a, const void *b) {
  double x, y;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  double d = x - y;
  if (d > 1e-16) return 1;
  if (d < -1e-16) return -1;
  return 0;
}
