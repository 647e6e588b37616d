#ifndef DG_DGBASISSIZE_H
#define DG_DGBASISSIZE_H

#include <type_traits>

// Runs f with the basis size as a compile-time constant for the common sizes
// (triangles and quadrilaterals up to order 4, tetrahedra up to order 2), so
// that the small loops over the basis unroll and vectorise; 0 stands for any
// other size, read at run time. The loops are the same either way, and so is
// every result.
template <class F>
inline void withBasisSize(int nb, F &&f) {
  switch (nb) {
  case 1: f(std::integral_constant<int, 1>{}); break;
  case 3: f(std::integral_constant<int, 3>{}); break;
  case 4: f(std::integral_constant<int, 4>{}); break;
  case 6: f(std::integral_constant<int, 6>{}); break;
  case 9: f(std::integral_constant<int, 9>{}); break;
  case 10: f(std::integral_constant<int, 10>{}); break;
  case 15: f(std::integral_constant<int, 15>{}); break;
  case 16: f(std::integral_constant<int, 16>{}); break;
  case 25: f(std::integral_constant<int, 25>{}); break;
  default: f(std::integral_constant<int, 0>{}); break;
  }
}

#endif
