// The C++ runtime's throw entry, wrapped so the unexpected-error handler can tell where an
// error was thrown (see exception_handler.cpp). This file includes nothing that declares
// __cxa_throw, because the runtime's own declaration uses a parameter type this
// definition must not depend on; the arguments are passed through untouched.
#include <dlfcn.h>

void TavelNoteThrow(void* object);

// Referenced by the handler so that a static link always brings this file along.
bool TavelThrowHookLinked() {
  return true;
}

extern "C" [[noreturn]] void __cxa_throw(void* object, void* type, void (*destructor)(void*)) {
  using ThrowFn = void (*)(void*, void*, void (*)(void*));
  static const ThrowFn real = reinterpret_cast<ThrowFn>(dlsym(RTLD_NEXT, "__cxa_throw"));
  TavelNoteThrow(object);
  real(object, type, destructor);
  __builtin_unreachable();
}
