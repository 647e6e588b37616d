// Helpers shared by the files of the procedural interface.
#ifndef KORA_CINT_KORA_INTERNAL_H
#define KORA_CINT_KORA_INTERNAL_H

#include <vector>

#include "mEntity.h"

namespace KORA {
namespace cint {

// Appends the entities of dimension n adjacent to e, as the list queries
// give them: the stored list, else upward gathering (n above e's level) or
// the templates (n below). Answers true when the items came from templates.
bool collectAdjacent(mEntity* e, int n, std::vector<mEntity*>& out);
// True when t, returned by owner's getTemplate, was made anew for the call
// (a face or edge that no mesh holds).
bool isMadeTemplate(const mEntity* owner, const mEntity* t);
// True when t, a template item of owner, was made anew for the query
// (a face or edge that no mesh holds).
bool isFreshTemplate(const mEntity* owner, const mEntity* t);
// Deletes t when it is such a fresh template.
void releaseTemplate(const mEntity* owner, mEntity* t);

}  // namespace cint
}  // namespace KORA

#endif
