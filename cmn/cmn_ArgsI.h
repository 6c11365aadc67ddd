// Typed argument values, as the formatter of the common-services layer reads them.
//
// The owning argument list (ArgC / ArgListC in base/) lays its values out as cmn_ArgValueS
// and hands the formatter and the tracer a read-only cmn_ArgsI view, so this layer never
// needs the higher layer's types.
#ifndef QLM_CMN_CMN_ARGSI_H_
#define QLM_CMN_CMN_ARGSI_H_

#include <cstddef>
#include <cstdint>

class cmn_StringBodyI;
class cmn_ArgsI;

// Type codes; their names ("Bool", "Int16", ...) come from cmn_ArgTypeName().
enum cmn_ArgTypeE : uint32_t {
  ARG_BOOL = 0,
  ARG_INT16 = 1,       // i32
  ARG_INT32 = 2,       // i32
  ARG_INT64 = 3,       // i64
  ARG_UNSIGNED16 = 4,  // u32
  ARG_UNSIGNED32 = 5,  // u32
  ARG_UNSIGNED64 = 6,  // u64
  ARG_REAL = 7,        // real
  ARG_UCS4 = 8,        // ucs4
  ARG_STRING = 9,      // str: one reference owned by the list, never null
  ARG_DATETIME = 10,   // i64: ticks
  ARG_OBJREF = 11,     // ptr, not owned
  ARG_DECIMAL = 12,    // real
  ARG_BLOB = 13,       // ptr, not owned
  ARG_GUID = 14,       // ptr, not owned
  ARG_ARGLIST = 15,    // list: owned by the list
  ARG_CHARSTAR = 16,   // cstr: owned copy, never null ("" for a null pointer)
  ARG_TIMEVAL = 17,    // tv
  ARG_USER = 18,       // ptr, not owned
  ARG_NULL = 19,
};

struct cmn_TimeValS {
  int64_t sec;
  int64_t usec;
};

struct cmn_ArgValueS {
  uint32_t type = ARG_NULL;
  union {
    bool b;
    int32_t i32;
    int64_t i64;
    uint32_t u32;
    uint64_t u64;
    double real;
    char32_t ucs4;
    const cmn_StringBodyI* str;
    const void* ptr;
    const cmn_ArgsI* list;
    const char* cstr;
    cmn_TimeValS tv;
  };
  cmn_ArgValueS() : u64(0) {}
};

// Name of a type code; "" for codes outside the table.
[[nodiscard]] const char* cmn_ArgTypeName(uint32_t type);

// Read-only view over an argument list. Indices outside 0..Count()-1 give null.
class cmn_ArgsI {
 public:
  // Number of arguments.
  virtual size_t Count() const = 0;
  // Argument `index` (0-based) or null when out of range. The pointer stays valid while the
  // list is alive and unchanged.
  virtual const cmn_ArgValueS* At(size_t index) const = 0;

 protected:
  ~cmn_ArgsI() = default;
};

#endif  // QLM_CMN_CMN_ARGSI_H_
