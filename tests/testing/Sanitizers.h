#ifndef QLM_TESTS_TESTING_SANITIZERS_H_
#define QLM_TESTS_TESTING_SANITIZERS_H_

// QLM_TEST_UNDER_TSAN is 1 when this translation unit is built with ThreadSanitizer (g++ names
// it __SANITIZE_THREAD__, clang answers __has_feature), else 0. Tests use it to leave out what
// that sanitizer cannot run: misuse of pthread primitives it reports by design, and replacement
// allocation functions it already defines.
#if defined(__SANITIZE_THREAD__)
#define QLM_TEST_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QLM_TEST_UNDER_TSAN 1
#endif
#endif
#ifndef QLM_TEST_UNDER_TSAN
#define QLM_TEST_UNDER_TSAN 0
#endif

#endif  // QLM_TESTS_TESTING_SANITIZERS_H_
