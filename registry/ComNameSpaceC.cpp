#include "registry/ComNameSpaceC.h"

#include "base/StringC.h"

ZelStringC ComNameSpaceC::Lower(const ZelStringC& text) {
  return ZelStringC(StringC::FromUtf8(text.c_str()).ToLower());
}

ComNameSpaceC::SplitS ComNameSpaceC::Split(const ZelStringC& name) {
  SplitS s;
  const int64_t colon = name.Find(':');
  if (colon < 0) {
    s.tail = name;
  } else {
    const int64_t dot = name.Find('.');
    const int64_t at = (dot >= 0 && dot < colon) ? dot : colon;
    s.flag = at == colon ? 1 : 0;
    s.head = name.Substring(0, at);
    s.tail = name.Substring(at + 1);
  }
  s.head = Lower(s.head);
  s.tail = Lower(s.tail);
  return s;
}

ZelStringC ComNameSpaceC::Key(const ZelStringC& name) {
  const int64_t colon = name.Find(':');
  return Lower(colon < 0 ? name : name.Substring(colon + 1));
}

ComNameSpaceC* ComNameSpaceC::Child(const ZelStringC& name) const noexcept {
  for (const auto& child : children_) {
    if (child->name_ == name) return child.get();
  }
  return nullptr;
}

ComNameSpaceC* ComNameSpaceC::Find(const ZelStringC& name) noexcept {
  // Each round consumes the head, so the walk ends within the name's length.
  ComNameSpaceC* current = this;
  ZelStringC rest = name;
  for (;;) {
    SplitS s = Split(rest);
    if (s.flag == 1 && s.head == current->name_) return current;
    // Children carry their head with the ":" that ended it when they were created.
    ComNameSpaceC* child = current->Child(s.head + ZelStringC(':'));
    if (child == nullptr || s.flag == 1) return child;
    current = child;
    rest = s.tail;
  }
}

void ComNameSpaceC::Create(const ZelStringC& name) {
  ComNameSpaceC* current = this;
  ZelStringC rest = name;
  for (;;) {
    SplitS s = Split(rest);
    if (s.head.IsEmpty()) return;
    const ZelStringC child_name = s.head + ZelStringC(':');
    ComNameSpaceC* child = current->Child(child_name);
    if (child == nullptr) {
      current->children_.push_back(std::make_unique<ComNameSpaceC>(child_name, current));
      child = current->children_.back().get();
    }
    current = child;
    rest = s.tail;
  }
}

void ComNameSpaceC::Clear() noexcept {
  children_.clear();
  table_.Clear();
}
