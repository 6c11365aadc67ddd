// The interfaces of a server location: the attribute collection (IID_ZelAttributeCollectionI)
// and the location itself (IID_ZelLKIServerLocation), which adds a name to the collection.
//
// Slots: 0 QueryInterface, 1 AddRef, 2 Release, 3 GetAttribute, 4 GetAttributeNames, 5
// AttributeCount, 6 SetAttribute, 7 HasAttribute, then (location) 8 GetName, 9 SetName, 10 and
// 11 the destructor (complete and deleting). Texts cross the interface as UTF-8 character
// strings; a text handed out is new[]-allocated and the caller frees it with delete[] (a
// password should be overwritten with zeros first).
#ifndef QLM_SERVERS_ZELLKISERVERLOCATIONI_H_
#define QLM_SERVERS_ZELLKISERVERLOCATIONI_H_

#include <cstdint>

#include "cmn/cmn_Result.h"
#include "registry/GuidC.h"
#include "registry/ZelUnknownI.h"

class ZelAttributeCollectionI : public ZelUnknownI {
 public:
  // Stores in *value a new copy of attribute `name` (names compared ignoring ASCII
  // case) and returns 0. RC_FAIL and null when there is no such attribute; RC_INVALIDARG for a
  // null or empty name; RC_POINTER for a null `value`.
  [[nodiscard]] virtual RcT GetAttribute(const char* name, char** value) noexcept = 0;
  // Not supported. Stores null and gives RC_NOTIMPL; RC_INVALIDARG for a null `out`.
  [[nodiscard]] virtual RcT GetAttributeNames(void** out) noexcept = 0;
  // The number of attributes.
  virtual uint32_t AttributeCount() noexcept = 0;
  // Sets attribute `name` to `value` (null reads as ""), replacing an attribute of the
  // same name; the replaced text is wiped. RC_INVALIDARG for a null or empty name.
  [[nodiscard]] virtual RcT SetAttribute(const char* name, const char* value) noexcept = 0;
  // *present becomes whether attribute `name` exists. RC_INVALIDARG for a null name,
  // RC_POINTER for a null `present`.
  [[nodiscard]] virtual RcT HasAttribute(const char* name, bool* present) noexcept = 0;

 protected:
  virtual ~ZelAttributeCollectionI() = default;
};

class ZelLKIServerLocationI : public ZelAttributeCollectionI {
 public:
  // Stores in *name a new copy of the location's name. RC_POINTER for a null `name`.
  [[nodiscard]] virtual RcT GetName(char** name) noexcept = 0;
  // Renames the location (null reads as ""). Does not touch the store or any list
  // the location is in. Returns 0.
  [[nodiscard]] virtual RcT SetName(const char* name) noexcept = 0;

 protected:
  ~ZelLKIServerLocationI() override = default;
};

#endif  // QLM_SERVERS_ZELLKISERVERLOCATIONI_H_
