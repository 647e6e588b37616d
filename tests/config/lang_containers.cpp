// Record lists (lazy sort, bisection, growth by increment) and ordered sets on
// an AVL tree, checked against a standard ordered container.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <vector>

#include "List.h"
#include "Tree.h"
#include "lang_helpers.h"

namespace {

using langtest::captured;

std::vector<int> ints(List_T *l) {
  std::vector<int> v(List_Nbr(l));
  for (int i = 0; i < List_Nbr(l); i++) List_Read(l, i, &v[i]);
  return v;
}

TEST(LangList, CreationAndGrowthByIncrement) {
  List_T *a = List_Create(0, 0, 8);
  EXPECT_EQ(a->increment, 1);
  EXPECT_EQ(a->capacity, 1);
  List_T *b = List_Create(5, 5, 32);
  char record[32] = {};
  for (int i = 0; i < 6; i++) List_Add(b, record);
  EXPECT_EQ(b->capacity, 10);
  EXPECT_EQ(List_Nbr(b), 6);
  List_T *c = List_Create(50, 50, sizeof(int));
  for (int i = 0; i < 101; i++) List_Add(c, &i);
  EXPECT_EQ(c->capacity, 150);
  EXPECT_EQ(List_Nbr(nullptr), 0);
  int key = 1;
  EXPECT_EQ(List_ISearchSeq(nullptr, &key, fcmp_int), -1);
  List_Delete(a);
  List_Delete(b);
  List_Delete(c);
  List_Delete(nullptr);
}

TEST(LangList, LazySortBisectionAndSortedFlag) {
  List_T *l = List_Create(2, 2, sizeof(int));
  for (int v : {3, 1, 2}) List_Add(l, &v);
  int two = 2, zero = 0, seven = 7;
  EXPECT_EQ(List_Search(l, &two, fcmp_int), 1);
  EXPECT_EQ(ints(l), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(l->sorted, 1);
  List_Add(l, &zero);
  EXPECT_EQ(l->sorted, 0);
  EXPECT_EQ(List_ISearch(l, &zero, fcmp_int), 0);  // sorted again before the search
  EXPECT_EQ(ints(l), (std::vector<int>{0, 1, 2, 3}));

  List_Insert(l, &two, fcmp_int);  // present: nothing added
  EXPECT_EQ(List_Nbr(l), 4);
  List_Insert(l, &seven, fcmp_int);
  EXPECT_EQ(ints(l).back(), 7);

  EXPECT_EQ(List_Suppress(l, &two, fcmp_int), 1);
  EXPECT_EQ(ints(l), (std::vector<int>{0, 1, 3, 7}));
  int nine = 9;
  EXPECT_EQ(List_Suppress(l, &nine, fcmp_int), 0);
  EXPECT_EQ(List_Nbr(l), 4);

  List_Pointer(l, 0);  // the caller might change the record
  EXPECT_EQ(l->sorted, 0);
  List_Pop(l);
  List_Add(l, &nine);
  EXPECT_EQ(ints(l), (std::vector<int>{0, 1, 3, 9}));
  List_Delete(l);
}

TEST(LangList, ReplaceQueryAndSequentialSearch) {
  struct Pair {
    int key, value;
  };
  List_T *l = List_Create(1, 1, sizeof(Pair));
  Pair p{4, 40}, q{2, 20}, r{4, 99}, s{5, 50};
  EXPECT_EQ(List_Replace(l, &p, fcmp_int), 0);
  EXPECT_EQ(List_Replace(l, &q, fcmp_int), 0);
  EXPECT_EQ(List_Replace(l, &r, fcmp_int), 1);
  EXPECT_EQ(List_Nbr(l), 2);
  Pair key{4, 0};
  EXPECT_EQ(List_Query(l, &key, fcmp_int), 1);
  EXPECT_EQ(key.value, 99);
  EXPECT_EQ(List_PQuery(l, &s, fcmp_int), nullptr);
  List_Add(l, &s);
  List_Add(l, &p);  // a second record with key 4, after the first
  Pair four{4, 0};
  EXPECT_EQ(List_ISearchSeq(l, &four, fcmp_int), 1);  // the first of the two, in stored order
  List_Delete(l);
}

TEST(LangList, BadIndexesAreReportedAndTouchNothing) {
  List_T *l = List_Create(2, 2, sizeof(int));
  int v = 5, out = -1;
  List_Add(l, &v);
  EXPECT_EQ(captured([&] { List_Read(l, 1, &out); }), "Wrong list index (read)");
  EXPECT_EQ(out, -1);
  EXPECT_EQ(captured([&] { List_Write(l, -1, &v); }), "Wrong list index (write)");
  EXPECT_EQ(captured([&] { EXPECT_EQ(List_Pointer(l, 3), nullptr); }), "Wrong list index (pointer)");
  EXPECT_EQ(captured([&] { List_Put(l, -2, &v); }), "Wrong list index (put)Wrong list index (write)");
  List_Put(l, 3, &v);  // grows; the record between is zero
  EXPECT_EQ(ints(l), (std::vector<int>{5, 0, 0, 5}));
  List_Delete(l);
}

TEST(LangList, DoubleComparisonAndTextForm) {
  double a = 1e-17, z = 0, b = 1e-15, c = 1.1, d = 1.0;
  EXPECT_EQ(fcmp_double(&a, &z), 0);
  EXPECT_EQ(fcmp_double(&z, &b), -1);
  EXPECT_EQ(fcmp_double(&c, &d), 1);

  List_T *l = List_Create(3, 3, sizeof(double));
  for (double x : {1.0, 0.5, 2.0}) List_Add(l, &x);
  FILE *f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  List_WriteToFile(l, f, 0);
  std::rewind(f);
  char text[64] = {};
  std::size_t n = std::fread(text, 1, sizeof text - 1, f);
  EXPECT_EQ(std::string(text, n), " 1 0.5 2");
  std::rewind(f);
  List_T *back = List_CreateFromFile(3, sizeof(double), f, 0, 0);
  ASSERT_NE(back, nullptr);
  for (int i = 0; i < 3; i++) {
    double x, y;
    List_Read(l, i, &x);
    List_Read(back, i, &y);
    EXPECT_EQ(x, y);
  }
  std::fclose(f);
  List_Delete(back);
  List_Delete(l);
}

// ---------------------------------------------------------------------------

struct Rec {
  int key, tag;
};
int recCompare(const void *a, const void *b) {
  return fcmp_int(a, b);  // on the first int
}

std::vector<Rec> records(Tree_T *t) {
  List_T *l = Tree2List(t);
  std::vector<Rec> v(List_Nbr(l));
  for (int i = 0; i < List_Nbr(l); i++) List_Read(l, i, &v[i]);
  List_Delete(l);
  return v;
}

std::vector<int> keys(Tree_T *t) {
  std::vector<int> k;
  for (const Rec &r : records(t)) k.push_back(r.key);
  return k;
}

TEST(LangTree, RotationsKeepTheTreeBalanced) {
  struct {
    std::vector<int> order;
  } cases[] = {{{1, 2, 3}}, {{3, 1, 2}}, {{3, 2, 1}}, {{1, 3, 2}}};
  for (auto &c : cases) {
    Tree_T *t = Tree_Create(sizeof(Rec), recCompare);
    for (int k : c.order) {
      Rec r{k, 0};
      Tree_Add(t, &r);
    }
    ASSERT_NE(t->avlTree->root, nullptr);
    EXPECT_EQ(*static_cast<int *>(t->avlTree->root->key), 2);
    EXPECT_EQ(t->avlTree->root->height, 1);
    EXPECT_EQ(avl_check_tree(t->avlTree), 0);
    Tree_Delete(t);
  }
}

TEST(LangTree, AddInsertSuppressAndExtremes) {
  Tree_T *t = Tree_Create(sizeof(Rec), recCompare);
  Rec r{5, 1};
  EXPECT_EQ(Tree_Left(t, &r), 0);
  EXPECT_EQ(r.key, 5);  // unchanged
  for (int k : {5, 3, 8}) {
    Rec x{k, k * 10};
    Tree_Add(t, &x);
  }
  Rec dup{5, 2};
  Tree_Insert(t, &dup);
  EXPECT_EQ(Tree_Nbr(t), 3);
  Tree_Add(t, &dup);
  EXPECT_EQ(Tree_Nbr(t), 4);
  Rec five{5, 0};
  EXPECT_EQ(Tree_Suppress(t, &five), 1);
  EXPECT_EQ(Tree_Suppress(t, &five), 1);
  EXPECT_EQ(Tree_Suppress(t, &five), 0);
  EXPECT_EQ(keys(t), (std::vector<int>{3, 8}));
  Rec lo{}, hi{};
  EXPECT_EQ(Tree_Left(t, &lo), 1);
  EXPECT_EQ(Tree_Right(t, &hi), 1);
  EXPECT_EQ(lo.tag, 30);
  EXPECT_EQ(hi.tag, 80);
  Tree_Delete(t);

  // Removing the root of a three-node tree moves the largest record of its
  // left subtree into its place.
  t = Tree_Create(sizeof(Rec), recCompare);
  for (int k : {2, 1, 3}) {
    Rec x{k, 0};
    Tree_Add(t, &x);
  }
  Rec two{2, 0};
  Tree_Suppress(t, &two);
  EXPECT_EQ(*static_cast<int *>(t->avlTree->root->key), 1);
  EXPECT_EQ(avl_check_tree(t->avlTree), 0);
  Tree_Delete(t);
}

TEST(LangTree, RandomOperationsMatchAnOrderedMultiset) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> key(0, 200), action(0, 3);
  Tree_T *t = Tree_Create(sizeof(int), fcmp_int);
  std::multiset<int> oracle;
  for (int step = 0; step < 5000; step++) {
    int k = key(rng);
    if (action(rng) == 0) {
      EXPECT_EQ(Tree_Suppress(t, &k), oracle.count(k) ? 1 : 0);
      auto it = oracle.find(k);
      if (it != oracle.end()) oracle.erase(it);
    } else {
      Tree_Add(t, &k);
      oracle.insert(k);
    }
  }
  EXPECT_EQ(avl_check_tree(t->avlTree), 0);
  EXPECT_EQ(Tree_Nbr(t), static_cast<int>(oracle.size()));
  List_T *l = Tree2List(t);
  EXPECT_EQ(ints(l), std::vector<int>(oracle.begin(), oracle.end()));
  List_Delete(l);
  // Height stays logarithmic: 1.44 log2(n + 2).
  int n = Tree_Nbr(t);
  EXPECT_LE(t->avlTree->root->height, 1.45 * std::log2(n + 2.0));
  Tree_Delete(t);
}

TEST(LangTree, SetOperations) {
  Tree_T *a = Tree_Create(sizeof(Rec), recCompare), *b = Tree_Create(sizeof(Rec), recCompare);
  Rec a1{1, 100}, a2{2, 200}, b2{2, 201}, b3{3, 301};
  Tree_Add(a, &a1);
  Tree_Add(a, &a2);
  Tree_Add(b, &b2);
  Tree_Add(b, &b3);

  Tree_T *u = Tree_Union(a, b);
  std::vector<Rec> ru = records(u);
  ASSERT_EQ(ru.size(), 3u);
  EXPECT_EQ(ru[1].tag, 201);  // the second set's record for key 2
  Tree_T *d = Tree_Soustraction(a, b);
  EXPECT_EQ(keys(d), (std::vector<int>{1}));
  Tree_T *i = Tree_Intersection(a, b);
  std::vector<Rec> ri = records(i);
  ASSERT_EQ(ri.size(), 1u);
  EXPECT_EQ(ri[0].tag, 200);  // the first set's record

  Tree_Intersecte(a, b);
  EXPECT_EQ(keys(a), (std::vector<int>{2}));
  Tree_T *empty = Tree_Create(sizeof(Rec), recCompare);
  List_T *l = Tree2List(empty);
  EXPECT_EQ(List_Nbr(l), 0);
  EXPECT_EQ(l->capacity, 1);
  List_Delete(l);
  for (Tree_T *t : {a, b, u, d, i, empty}) Tree_Delete(t);
}

}  // namespace

namespace {

TEST(LangTree, LookUpReplaceAndGenerators) {
  Tree_T *t = Tree_Create(sizeof(Rec), recCompare);
  for (int k : {4, 1, 3}) {
    Rec x{k, k};
    Tree_Add(t, &x);
  }
  Rec r{3, 33};
  EXPECT_EQ(Tree_Replace(t, &r), 1);
  Rec q{3, 0};
  EXPECT_EQ(Tree_Query(t, &q), 1);
  EXPECT_EQ(q.tag, 33);
  Rec n{9, 99};
  EXPECT_EQ(Tree_Replace(t, &n), 0);
  EXPECT_EQ(Tree_Nbr(t), 4);
  EXPECT_EQ(Tree_Size(t), static_cast<int>(sizeof(Rec)));
  EXPECT_EQ(Tree_Nbr(nullptr), 0);

  std::vector<int> down;
  avl_generator_struct *gen = avl_init_gen(t->avlTree, 1);
  void *key;
  while (avl_gen(gen, &key, nullptr)) down.push_back(static_cast<Rec *>(key)->key);
  avl_free_gen(gen);
  EXPECT_EQ(down, (std::vector<int>{9, 4, 3, 1}));
  Tree_Delete(t);
}

}  // namespace
