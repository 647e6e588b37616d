#ifndef DG_OFFSET_VECTOR_H
#define DG_OFFSET_VECTOR_H

// Offset vectors: v[nl] .. v[nh] are valid. The free function 'vector' would
// clash with std::vector under 'using namespace std', hence its own header.

// New offset vector for indices nl..nh. Allocation failure (or nh < nl) prints
// "error" and "allocation failure in vector()" on standard error and ends the
// process with status 1.
double* vector(int nl, int nh);
// Frees an offset vector made by vector(nl, nh) with the same bounds.
void free_vector(double* v, int nl, int nh);
// Prints "error" and the text on standard error, each on its own line, and
// ends the process with status 1.
[[noreturn]] void nrerror(const char* text);

#endif
