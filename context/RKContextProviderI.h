// RKContextProviderI: an optional object that supplies the process's internal deployment
// context in place of the context stack (RKContextC::Current asks it first).
#ifndef QLM_CONTEXT_RKCONTEXTPROVIDERI_H_
#define QLM_CONTEXT_RKCONTEXTPROVIDERI_H_

class RKContextC;

class RKContextProviderI {
 public:
  virtual ~RKContextProviderI();
  // The internal context (the IID_InternalContext interface of the provider), or null when the
  // provider has none; the context stays owned by the provider.
  virtual RKContextC* GetInternalContext() noexcept = 0;
};

#endif  // QLM_CONTEXT_RKCONTEXTPROVIDERI_H_
