#ifndef DG_GAUSS_HERMITE_H
#define DG_GAUSS_HERMITE_H

// One-dimensional Gauss-Hermite rules, the discrete velocities of the
// discrete-velocity law. The functions write into caller arrays of n doubles
// and return a status: 0 on success, negative on failure.

// Nodes x (ascending, symmetric) and weights w of the n-point rule for the
// weight exp(-x^2). n must be 1 or even and positive; otherwise a message is
// printed on standard output, -1 is returned and nothing is written. -1 is
// also returned (silently) when a root does not converge in 10 Newton steps.
int gauher(double* x, double* w, int n);

// The n-point rule rescaled to the standard normal density:
// v = sqrt(2) x, M = exp(-v^2 / 2) / sqrt(2 pi), q = w / (sqrt(pi) M^2),
// so that sum_i q[i] M[i] f(v[i]) approximates the integral of f over the line
// and sum_i q[i] M[i]^2 g(v[i]) approximates that of g times the density.
int gauherqm(double* v, double* q, double* M, int n);

// Unscaled variant: v = x, M = exp(-v^2) / sqrt(pi), q = w / (sqrt(pi) M^2).
int gauherqmold(double* v, double* q, double* M, int n);

#endif
