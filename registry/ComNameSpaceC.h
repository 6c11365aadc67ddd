// ComNameSpaceC: one name space of the component registry's name tree.
//
// The root has the empty name; every other name space is named by its head followed by ":"
// ("zel:") and lives among its parent's children. Splitting a name gives a head, a tail and a
// flag:
//   - without ":", the head is empty, the tail the whole name, the flag 1;
//   - with ":" and no "." before it, head and tail are the parts around the first ":", flag 1;
//   - with a "." before the first ":", head and tail are the parts around that first ".",
//     flag 0 (the tail names a name space below the head's).
// Head and tail are lower case. A name's key in its name space's table is the part after its
// first ":" (or the whole name), lower case.
//
// Not locked: the registry's lock guards the whole tree.
#ifndef QLM_REGISTRY_COMNAMESPACEC_H_
#define QLM_REGISTRY_COMNAMESPACEC_H_

#include <memory>
#include <vector>

#include "registry/ComClassTableC.h"
#include "registry/ZelStringC.h"

class ComNameSpaceC {
 public:
  struct SplitS {
    ZelStringC head;
    ZelStringC tail;
    int flag = 1;
  };

  // The root (empty name, no parent).
  ComNameSpaceC() = default;
  ComNameSpaceC(const ZelStringC& name, ComNameSpaceC* parent) : name_(name), parent_(parent) {}
  ComNameSpaceC(const ComNameSpaceC&) = delete;
  ComNameSpaceC& operator=(const ComNameSpaceC&) = delete;

  static SplitS Split(const ZelStringC& name);
  static ZelStringC Key(const ZelStringC& name);
  // `text` in lower case (Unicode case mapping of its UTF-8 text).
  static ZelStringC Lower(const ZelStringC& text);

  // The name space that holds `name`, searched from this one; null when it does not exist.
  ComNameSpaceC* Find(const ZelStringC& name) noexcept;
  // Creates the name spaces on the path of `name` below this one that do not exist yet.
  void Create(const ZelStringC& name);

  // The child called `name` ("zel:"), or null.
  ComNameSpaceC* Child(const ZelStringC& name) const noexcept;

  const ZelStringC& Name() const noexcept { return name_; }
  ComNameSpaceC* Parent() const noexcept { return parent_; }
  size_t ChildCount() const noexcept { return children_.size(); }
  ComClassTableC& Table() noexcept { return table_; }
  const ComClassTableC& Table() const noexcept { return table_; }
  // Drops every child and every name of the table.
  void Clear() noexcept;

 private:
  ZelStringC name_;
  ComNameSpaceC* parent_ = nullptr;
  std::vector<std::unique_ptr<ComNameSpaceC>> children_;
  ComClassTableC table_;
};

#endif  // QLM_REGISTRY_COMNAMESPACEC_H_
