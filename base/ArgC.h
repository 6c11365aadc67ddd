// ArgC: one typed argument of an argument list (ArgListC).
//
// An ArgC is a cmn_ArgValueS (a 32-bit type code and the value) that owns what its value
// points to, so that the formatter of the common-services layer can read a list of ArgC through
// the plain cmn_ArgValueS layout:
//   - String:   `str` holds one reference to the string body;
//   - ArgList:  `list` is the nested list's shared implementation, holding one reference (null
//               for an empty nested list);
//   - CharStar: `cstr` is a private zero-terminated copy, never null ("" for a null pointer).
// Pointer types (ObjRef and the other pointer codes) do not own what they point to. Copying an
// ArgC copies the text of a CharStar and adds references to a String or a nested list; moving
// leaves the source Null.
#ifndef QLM_BASE_ARGC_H_
#define QLM_BASE_ARGC_H_

#include <cstdint>
#include <string_view>

#include "base/StringC.h"
#include "cmn/cmn_ArgsI.h"

class ArgListC;

class ArgC : public cmn_ArgValueS {
 public:
  // A Null argument.
  ArgC() noexcept = default;
  ArgC(const ArgC& other);
  ArgC(ArgC&& other) noexcept;
  ArgC& operator=(const ArgC& other);
  ArgC& operator=(ArgC&& other) noexcept;
  ~ArgC();

  static ArgC MakeBool(bool value) noexcept;
  static ArgC MakeInt16(int16_t value) noexcept;
  static ArgC MakeInt32(int32_t value) noexcept;
  static ArgC MakeInt64(int64_t value) noexcept;
  static ArgC MakeUnsigned16(uint16_t value) noexcept;
  static ArgC MakeUnsigned32(uint32_t value) noexcept;
  static ArgC MakeUnsigned64(uint64_t value) noexcept;
  static ArgC MakeReal(double value) noexcept;
  static ArgC MakeUCS4(char32_t value) noexcept;
  // Shares the string's body.
  static ArgC MakeString(const StringC& value) noexcept;
  // Copies the zero-terminated text; a null pointer is stored as "".
  static ArgC MakeCharStar(const char* text);
  // Copies `text` (a zero byte inside it ends the text as the formatter reads it).
  static ArgC MakeCharStar(std::string_view text);
  // An ObjRef: the pointer itself, not owned.
  static ArgC MakePointer(const void* value) noexcept;
  static ArgC MakeTimeVal(int64_t seconds, int64_t microseconds) noexcept;
  // Shares the list's implementation; later changes through `value` do not show here.
  static ArgC MakeList(const ArgListC& value) noexcept;
  static ArgC MakeNull() noexcept { return ArgC(); }

  uint32_t Type() const noexcept { return type; }
  // "Int32", "CharStar", ...; "" for a code outside the table.
  const char* TypeName() const noexcept { return cmn_ArgTypeName(type); }
  bool IsNull() const noexcept { return type == ARG_NULL; }

  // Typed reads. Each gives the value when the type is one it names (integers widen: Int16 and
  // Int32 for GetInt32; every signed type and Unsigned16/32 for GetInt64; every unsigned type
  // for GetUnsigned64) and 0, "", null or empty otherwise.
  bool GetBool() const noexcept { return type == ARG_BOOL && b; }
  int32_t GetInt32() const noexcept;
  int64_t GetInt64() const noexcept;
  uint32_t GetUnsigned32() const noexcept;
  uint64_t GetUnsigned64() const noexcept;
  double GetReal() const noexcept { return type == ARG_REAL ? real : 0.0; }
  char32_t GetUCS4() const noexcept { return type == ARG_UCS4 ? ucs4 : 0; }
  // The String's text; empty for other types.
  StringC GetString() const { return type == ARG_STRING ? StringC(str) : StringC(); }
  // The CharStar's text; "" for other types. Valid while this argument lives.
  const char* GetCharStar() const noexcept { return type == ARG_CHARSTAR ? cstr : ""; }
  const void* GetPointer() const noexcept { return type == ARG_OBJREF ? ptr : nullptr; }
  cmn_TimeValS GetTimeVal() const noexcept { return type == ARG_TIMEVAL ? tv : cmn_TimeValS{0, 0}; }
  // The nested list (shared); an empty list for other types.
  ArgListC GetList() const noexcept;

 private:
  // Drops what the value owns and makes this Null.
  void Clear() noexcept;
};

#endif  // QLM_BASE_ARGC_H_
