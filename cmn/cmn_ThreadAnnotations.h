// Lock contracts that clang checks at compile time (-Wthread-safety): which mutex guards a
// member, which lock a function needs held or must not hold, and which functions take or
// release one. Other compilers see nothing; the contracts still read as documentation there.
//
//   cmn_MutexC mu_;
//   int count_ QLM_GUARDED_BY(mu_);          // read or written only with mu_ held
//   std::string* text_ QLM_PT_GUARDED_BY(mu_); // the pointee is guarded, not the pointer
//   void BumpLocked() QLM_REQUIRES(mu_);     // the caller holds mu_
//   void Bump() QLM_EXCLUDES(mu_);           // takes mu_ itself, so the caller must not hold it
//
// Only types marked QLM_CAPABILITY can be named; libstdc++'s std::mutex carries no marks, which
// is why guarded state uses cmn_MutexC (cmn/cmn_MutexC.h).
#ifndef QLM_CMN_CMN_THREADANNOTATIONS_H_
#define QLM_CMN_CMN_THREADANNOTATIONS_H_

#if defined(__clang__)
#define QLM_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define QLM_THREAD_ANNOTATION(x)
#endif

#define QLM_CAPABILITY(name) QLM_THREAD_ANNOTATION(capability(name))
#define QLM_SCOPED_CAPABILITY QLM_THREAD_ANNOTATION(scoped_lockable)
#define QLM_GUARDED_BY(x) QLM_THREAD_ANNOTATION(guarded_by(x))
#define QLM_PT_GUARDED_BY(x) QLM_THREAD_ANNOTATION(pt_guarded_by(x))
#define QLM_ACQUIRED_BEFORE(...) QLM_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define QLM_ACQUIRED_AFTER(...) QLM_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define QLM_REQUIRES(...) QLM_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define QLM_ACQUIRE(...) QLM_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define QLM_RELEASE(...) QLM_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define QLM_TRY_ACQUIRE(...) QLM_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define QLM_EXCLUDES(...) QLM_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define QLM_ASSERT_CAPABILITY(x) QLM_THREAD_ANNOTATION(assert_capability(x))
#define QLM_RETURN_CAPABILITY(x) QLM_THREAD_ANNOTATION(lock_returned(x))
// For the rare function whose locking the analysis cannot follow; say why next to each use.
#define QLM_NO_THREAD_SAFETY_ANALYSIS QLM_THREAD_ANNOTATION(no_thread_safety_analysis)

#endif  // QLM_CMN_CMN_THREADANNOTATIONS_H_
