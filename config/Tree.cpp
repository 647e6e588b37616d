#include "Tree.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Longest descent path recorded; AVL balance keeps any tree that fits in
// memory far below it.
constexpr int MAX_PATH = 64;

int heightOf(const avl_node_struct *n) { return n ? n->height : -1; }

void computeHeight(avl_node_struct *n) {
  int hl = heightOf(n->leftChild), hr = heightOf(n->rightChild);
  n->height = (hl > hr ? hl : hr) + 1;
}

void rotateLeft(avl_node_struct **link) {
  avl_node_struct *n = *link;
  avl_node_struct *r = n->rightChild;
  if (heightOf(r->rightChild) >= heightOf(r->leftChild)) {
    n->rightChild = r->leftChild;
    r->leftChild = n;
    *link = r;
  } else {
    avl_node_struct *m = r->leftChild;
    n->rightChild = m->leftChild;
    r->leftChild = m->rightChild;
    m->leftChild = n;
    m->rightChild = r;
    computeHeight(r);
    *link = m;
  }
  computeHeight(n);
  computeHeight(*link);
}

void rotateRight(avl_node_struct **link) {
  avl_node_struct *n = *link;
  avl_node_struct *l = n->leftChild;
  if (heightOf(l->leftChild) >= heightOf(l->rightChild)) {
    n->leftChild = l->rightChild;
    l->rightChild = n;
    *link = l;
  } else {
    avl_node_struct *m = l->rightChild;
    n->leftChild = m->rightChild;
    l->rightChild = m->leftChild;
    m->rightChild = n;
    m->leftChild = l;
    computeHeight(l);
    *link = m;
  }
  computeHeight(n);
  computeHeight(*link);
}

// Rebalances the nodes on the recorded links, deepest first; stops as soon as
// a height is unchanged.
void rebalance(avl_node_struct **path[], int n) {
  for (int i = n - 1; i >= 0; i--) {
    avl_node_struct **link = path[i];
    avl_node_struct *node = *link;
    int hl = heightOf(node->leftChild), hr = heightOf(node->rightChild);
    if (hr - hl < -1) {
      rotateRight(link);
    } else if (hr - hl > 1) {
      rotateLeft(link);
    } else {
      int h = (hl > hr ? hl : hr) + 1;
      if (h == node->height) return;
      node->height = h;
    }
  }
}

void walk(avl_node_struct *n, void (*func)(void *, void *), int direction) {
  if (!n) return;
  walk(direction == 0 ? n->leftChild : n->rightChild, func, direction);
  func(n->key, n->value);
  walk(direction == 0 ? n->rightChild : n->leftChild, func, direction);
}

void freeNodes(avl_node_struct *n, void (*keyFree)(void *), void (*valueFree)(void *)) {
  if (!n) return;
  freeNodes(n->leftChild, keyFree, valueFree);
  freeNodes(n->rightChild, keyFree, valueFree);
  if (keyFree) keyFree(n->key);
  if (valueFree) valueFree(n->value);
  Free(n);
}

void collect(avl_node_struct *n, avl_node_struct **nodes, int &k, int direction) {
  if (!n) return;
  collect(direction == 0 ? n->leftChild : n->rightChild, nodes, k, direction);
  nodes[k++] = n;
  collect(direction == 0 ? n->rightChild : n->leftChild, nodes, k, direction);
}

int checkNode(avl_tree_struct *tree, avl_node_struct *n, int *faults) {
  if (!n) return -1;
  int hl = checkNode(tree, n->leftChild, faults);
  int hr = checkNode(tree, n->rightChild, faults);
  int h = (hl > hr ? hl : hr) + 1;
  if (h != n->height) {
    std::printf("Bad height for %p: computed=%d stored=%d\n", static_cast<void *>(n), h,
                n->height);
    (*faults)++;
  }
  if (hr - hl < -1 || hr - hl > 1) {
    std::printf("Out of balance at node %p, balance = %d\n", static_cast<void *>(n), hr - hl);
    (*faults)++;
  }
  if (n->leftChild && tree->compare(n->leftChild->key, n->key) > 0) {
    std::printf("Bad ordering between %p and %p", static_cast<void *>(n),
                static_cast<void *>(n->leftChild));
    (*faults)++;
  }
  if (n->rightChild && tree->compare(n->key, n->rightChild->key) > 0) {
    std::printf("Bad ordering between %p and %p", static_cast<void *>(n),
                static_cast<void *>(n->rightChild));
    (*faults)++;
  }
  return h;
}

void freeRecord(void *p) { Free(p); }

// Targets of the per-record routines of the set operations.
List_T *pListeTransfert = nullptr;
Tree_T *pTreeTransfert = nullptr;
Tree_T *pTreeTransfert2 = nullptr;

void TransfereListe(void *record, void *) { List_Add(pListeTransfert, record); }
void DupliqueArbre(void *record, void *) { Tree_Add(pTreeTransfert, record); }
void UnitArbre(void *record, void *) { Tree_Replace(pTreeTransfert, record); }
void SoustraitArbre(void *record, void *) { Tree_Suppress(pTreeTransfert, record); }
void IntersecteArbre(void *record, void *) {
  void *found = Tree_PQuery(pTreeTransfert2, record);
  if (found) Tree_Add(pTreeTransfert, found);
}

}  // namespace

avl_tree_struct *avl_init_table(AvlCompare compare) {
  avl_tree_struct *tree = static_cast<avl_tree_struct *>(Malloc(sizeof(avl_tree_struct)));
  if (!tree) return nullptr;
  tree->root = nullptr;
  tree->compare = compare;
  tree->entryCount = 0;
  tree->modified = 0;
  return tree;
}

int avl_lookup(avl_tree_struct *tree, void *key, void **value) {
  avl_node_struct *n = tree->root;
  while (n) {
    int c = tree->compare(key, n->key);
    if (c == 0) {
      if (value) *value = n->value;
      return 1;
    }
    n = c < 0 ? n->leftChild : n->rightChild;
  }
  return 0;
}

int avl_insert(avl_tree_struct *tree, void *key, void *value) {
  avl_node_struct **path[MAX_PATH];
  int depth = 0;
  int equal = 0;
  avl_node_struct **link = &tree->root;
  while (*link) {
    if (depth == MAX_PATH) return -1;  // beyond any tree that fits in memory
    path[depth++] = link;
    int c = tree->compare(key, (*link)->key);
    if (c == 0) equal = 1;
    link = c < 0 ? &(*link)->leftChild : &(*link)->rightChild;
  }
  avl_node_struct *node = static_cast<avl_node_struct *>(Malloc(sizeof(avl_node_struct)));
  if (!node) return equal;
  node->leftChild = node->rightChild = nullptr;
  node->key = key;
  node->value = value;
  node->height = 0;
  *link = node;
  rebalance(path, depth);
  tree->modified = 1;
  tree->entryCount++;
  return equal;
}

int avl_delete(avl_tree_struct *tree, void **key, void **value) {
  avl_node_struct **path[MAX_PATH + 1];
  int depth = 0;
  avl_node_struct **link = &tree->root;
  while (*link) {
    int c = tree->compare(*key, (*link)->key);
    if (c == 0) break;
    if (depth == MAX_PATH) return 0;
    path[depth++] = link;
    link = c < 0 ? &(*link)->leftChild : &(*link)->rightChild;
  }
  avl_node_struct *node = *link;
  if (!node) return 0;
  *key = node->key;
  if (value) *value = node->value;
  if (!node->leftChild) {
    *link = node->rightChild;
  } else {
    avl_node_struct **path2[MAX_PATH];
    int depth2 = 0;
    avl_node_struct **r = &node->leftChild;
    while ((*r)->rightChild) {
      if (depth2 < MAX_PATH) path2[depth2++] = r;
      r = &(*r)->rightChild;
    }
    avl_node_struct *rightmost = *r;
    *r = rightmost->leftChild;
    rebalance(path2, depth2);
    rightmost->leftChild = node->leftChild;
    rightmost->rightChild = node->rightChild;
    rightmost->height = -2;
    *link = rightmost;
    path[depth++] = link;
  }
  Free(node);
  rebalance(path, depth);
  tree->modified = 1;
  tree->entryCount--;
  return 1;
}

void avl_foreach(avl_tree_struct *tree, void (*func)(void *key, void *value), int direction) {
  walk(tree->root, func, direction);
}

int avl_extremum(avl_tree_struct *tree, int which, void **value) {
  if (!tree->root || !value) return 0;
  avl_node_struct *n = tree->root;
  if (which == 0)
    while (n->leftChild) n = n->leftChild;
  else
    while (n->rightChild) n = n->rightChild;
  *value = n->value;
  return 1;
}

int avl_count(avl_tree_struct *tree) { return tree->entryCount; }

void avl_free_table(avl_tree_struct *tree, void (*keyFree)(void *), void (*valueFree)(void *)) {
  if (!tree) return;
  freeNodes(tree->root, keyFree, valueFree);
  Free(tree);
}

avl_generator_struct *avl_init_gen(avl_tree_struct *tree, int direction) {
  avl_generator_struct *gen =
      static_cast<avl_generator_struct *>(Malloc(sizeof(avl_generator_struct)));
  if (!gen) return nullptr;
  gen->owner = tree;
  gen->position = 0;
  gen->nodes = nullptr;
  if (tree->entryCount > 0) {
    gen->nodes = static_cast<avl_node_struct **>(
        Malloc(static_cast<std::size_t>(tree->entryCount) * sizeof(avl_node_struct *)));
    int k = 0;
    if (gen->nodes) collect(tree->root, gen->nodes, k, direction);
  }
  tree->modified = 0;
  return gen;
}

int avl_gen(avl_generator_struct *gen, void **key, void **value) {
  if (!gen->nodes || gen->position >= gen->owner->entryCount) return 0;
  avl_node_struct *n = gen->nodes[gen->position++];
  if (key) *key = n->key;
  if (value) *value = n->value;
  return 1;
}

void avl_free_gen(avl_generator_struct *gen) {
  if (!gen) return;
  Free(gen->nodes);
  Free(gen);
}

int avl_check_tree(avl_tree_struct *tree) {
  int faults = 0;
  checkNode(tree, tree->root, &faults);
  return faults;
}

int avl_numcmp(const void *a, const void *b) {
  std::intptr_t x = reinterpret_cast<std::intptr_t>(a);
  std::intptr_t y = reinterpret_cast<std::intptr_t>(b);
  return (x > y) - (x < y);
}

Tree_T *Tree_Create(int size, AvlCompare compare) {
  Tree_T *tree = static_cast<Tree_T *>(Malloc(sizeof(Tree_T)));
  if (!tree) return nullptr;
  tree->recordSize = size;
  tree->avlTree = avl_init_table(compare);
  return tree;
}

void Tree_Delete(Tree_T *tree) {
  if (!tree) return;
  avl_free_table(tree->avlTree, freeRecord, nullptr);
  Free(tree);
}

void *Tree_AddP(Tree_T *tree, void *data) {
  void *copy = Malloc(static_cast<std::size_t>(tree->recordSize));
  if (!copy) return nullptr;
  std::memcpy(copy, data, tree->recordSize);
  if (avl_insert(tree->avlTree, copy, copy) < 0) {
    Free(copy);
    return nullptr;
  }
  return copy;
}

void Tree_Add(Tree_T *tree, void *data) { Tree_AddP(tree, data); }

void Tree_Insert(Tree_T *tree, void *data) {
  if (!Tree_Search(tree, data)) Tree_Add(tree, data);
}

int Tree_Replace(Tree_T *tree, void *data) {
  void *stored = nullptr;
  if (avl_lookup(tree->avlTree, data, &stored)) {
    std::memmove(stored, data, tree->recordSize);
    return 1;
  }
  Tree_Add(tree, data);
  return 0;
}

int Tree_Search(Tree_T *tree, void *data) { return avl_lookup(tree->avlTree, data, nullptr); }

int Tree_Query(Tree_T *tree, void *data) {
  void *stored = nullptr;
  if (!avl_lookup(tree->avlTree, data, &stored)) return 0;
  std::memmove(data, stored, tree->recordSize);
  return 1;
}

void *Tree_PQuery(Tree_T *tree, void *data) {
  void *stored = nullptr;
  return avl_lookup(tree->avlTree, data, &stored) ? stored : nullptr;
}

int Tree_Suppress(Tree_T *tree, void *data) {
  void *key = data;
  if (!avl_delete(tree->avlTree, &key, nullptr)) return 0;
  Free(key);
  return 1;
}

int Tree_Left(Tree_T *tree, void *data) {
  void *stored = nullptr;
  if (!avl_extremum(tree->avlTree, 0, &stored)) return 0;
  std::memmove(data, stored, tree->recordSize);
  return 1;
}

int Tree_Right(Tree_T *tree, void *data) {
  void *stored = nullptr;
  if (!avl_extremum(tree->avlTree, 1, &stored)) return 0;
  std::memmove(data, stored, tree->recordSize);
  return 1;
}

void Tree_Action(Tree_T *tree, void (*action)(void *record, void *same)) {
  if (!tree) return;
  avl_foreach(tree->avlTree, action, 0);
}

int Tree_Nbr(Tree_T *tree) { return tree ? avl_count(tree->avlTree) : 0; }

int Tree_Size(Tree_T *tree) { return tree ? tree->recordSize : 0; }

List_T *Tree2List(Tree_T *tree) {
  int n = Tree_Nbr(tree);
  int room = n > 0 ? n : 1;
  pListeTransfert = List_Create(room, room, tree->recordSize);
  Tree_Action(tree, TransfereListe);
  return pListeTransfert;
}

Tree_T *Tree_Duplique(Tree_T *tree) {
  pTreeTransfert = Tree_Create(tree->recordSize, tree->avlTree->compare);
  Tree_Action(tree, DupliqueArbre);
  return pTreeTransfert;
}

Tree_T *Tree_Union(Tree_T *a, Tree_T *b) {
  Tree_T *result = Tree_Duplique(a);
  pTreeTransfert = result;
  Tree_Action(b, UnitArbre);
  return result;
}

void Tree_Unit(Tree_T *a, Tree_T *b) {
  pTreeTransfert = a;
  Tree_Action(b, UnitArbre);
}

Tree_T *Tree_Soustraction(Tree_T *a, Tree_T *b) {
  Tree_T *result = Tree_Duplique(a);
  pTreeTransfert = result;
  Tree_Action(b, SoustraitArbre);
  return result;
}

void Tree_Soustrait(Tree_T *a, Tree_T *b) {
  pTreeTransfert = a;
  Tree_Action(b, SoustraitArbre);
}

Tree_T *Tree_Intersection(Tree_T *a, Tree_T *b) {
  Tree_T *result = Tree_Create(a->recordSize, a->avlTree->compare);
  pTreeTransfert = result;
  pTreeTransfert2 = a;
  Tree_Action(b, IntersecteArbre);
  return result;
}

void Tree_Intersecte(Tree_T *a, Tree_T *b) {
  // The intersection is built aside, then takes the place of a's records.
  Tree_T *result = Tree_Intersection(a, b);
  avl_tree_struct *old = a->avlTree;
  a->avlTree = result->avlTree;
  result->avlTree = old;
  Tree_Delete(result);
}
