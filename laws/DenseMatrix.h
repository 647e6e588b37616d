#ifndef DG_DENSE_MATRIX_H
#define DG_DENSE_MATRIX_H

// Dense matrix routines for small systems (element mass matrices, recovery
// fits, the discrete-velocity matrices).
//
// A matrix is an array of row pointers into one contiguous block of
// rows x columns doubles, indexed from 0: row i starts at M[0] + i * columns.
// The offset vectors of the same family (vector, free_vector, nrerror) are
// declared in OffsetVector.h, kept apart so that this header can be included
// next to 'using namespace std'.

// New rows x cols matrix (entries not initialised). Negative sizes are refused
// with a text exception (const char*).
double** allocateMatrix(int rows, int cols);
// Frees a matrix made by allocateMatrix; null is ignored.
void freeMatrix(double** M);

// LU decomposition of the n x n matrix a in place (Crout, implicit partial
// pivoting). indx[j] is the row swapped with row j at step j, d the parity
// (+1 or -1). A row of zeros prints "Singular matrix in routine LUDCMP" on
// standard output and the decomposition goes on; a zero pivot becomes 1e-20.
void ludcmp(double** a, int n, int* indx, double* d);
// Solves A x = b with the factors of ludcmp; b is overwritten by x.
void lubksb(double** a, int n, const int* indx, double* b);
// Inverse of the n x n matrix a into y; a is replaced by its LU factors.
void invmat(double** a, double** y, int n);
// Least-squares solution x (n values) of min |A x - b| for A of m rows and n
// columns: LU when m == n, normal equations otherwise. A and b are left
// unchanged, so one A serves several right-hand sides. Returns true.
bool leastSquares(double** A, const double* b, double* x, int m, int n);
// Solves A x = b (n x n) by LU; A is replaced by its factors.
void direct_solver(double** A, const double* b, double* x, int n);

#endif
