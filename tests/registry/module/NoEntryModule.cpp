// A shared library that loads but is not a component module: it lacks the entry points.
#define QLM_EXPORT extern "C" __attribute__((visibility("default")))

QLM_EXPORT int TestNoEntryModuleValue() {
  return 7;
}
