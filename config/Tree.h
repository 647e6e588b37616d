#ifndef DG_TREE_H
#define DG_TREE_H

// Ordered sets of fixed-size records on a height-balanced (AVL) binary search
// tree, with set operations and a conversion to a record list. Each record
// added to a set is copied into its own block, which is both key and value of
// its node; the set owns the copies.

#include "List.h"

using AvlCompare = int (*)(const void *, const void *);

struct avl_node_struct {
  avl_node_struct *leftChild, *rightChild;
  void *key;
  void *value;
  int height;  // 0 for a leaf; an empty subtree counts as -1
};

struct avl_tree_struct {
  avl_node_struct *root;
  AvlCompare compare;
  int entryCount;
  int modified;
};

struct avl_generator_struct {
  avl_tree_struct *owner;
  avl_node_struct **nodes;
  int position;
};

avl_tree_struct *avl_init_table(AvlCompare compare);
int avl_lookup(avl_tree_struct *tree, void *key, void **value);
int avl_insert(avl_tree_struct *tree, void *key, void *value);
int avl_delete(avl_tree_struct *tree, void **key, void **value);
void avl_foreach(avl_tree_struct *tree, void (*func)(void *key, void *value), int direction);
int avl_extremum(avl_tree_struct *tree, int which, void **value);
int avl_count(avl_tree_struct *tree);
void avl_free_table(avl_tree_struct *tree, void (*keyFree)(void *), void (*valueFree)(void *));
avl_generator_struct *avl_init_gen(avl_tree_struct *tree, int direction);
int avl_gen(avl_generator_struct *gen, void **key, void **value);
void avl_free_gen(avl_generator_struct *gen);
int avl_check_tree(avl_tree_struct *tree);
int avl_numcmp(const void *a, const void *b);

struct Tree_T {
  int recordSize;
  avl_tree_struct *avlTree;
};

Tree_T *Tree_Create(int size, AvlCompare compare);
void Tree_Delete(Tree_T *tree);
void Tree_Add(Tree_T *tree, void *data);
void *Tree_AddP(Tree_T *tree, void *data);
void Tree_Insert(Tree_T *tree, void *data);
int Tree_Replace(Tree_T *tree, void *data);
int Tree_Search(Tree_T *tree, void *data);
int Tree_Query(Tree_T *tree, void *data);
void *Tree_PQuery(Tree_T *tree, void *data);
int Tree_Suppress(Tree_T *tree, void *data);
int Tree_Left(Tree_T *tree, void *data);
int Tree_Right(Tree_T *tree, void *data);
void Tree_Action(Tree_T *tree, void (*action)(void *record, void *same));
int Tree_Nbr(Tree_T *tree);
int Tree_Size(Tree_T *tree);

List_T *Tree2List(Tree_T *tree);
Tree_T *Tree_Duplique(Tree_T *tree);
Tree_T *Tree_Union(Tree_T *a, Tree_T *b);
void Tree_Unit(Tree_T *a, Tree_T *b);
Tree_T *Tree_Soustraction(Tree_T *a, Tree_T *b);
void Tree_Soustrait(Tree_T *a, Tree_T *b);
Tree_T *Tree_Intersection(Tree_T *a, Tree_T *b);
void Tree_Intersecte(Tree_T *a, Tree_T *b);

#endif
