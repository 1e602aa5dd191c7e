#pragma once

// What the libraries loaded on first use share (mpvlibrary.cpp,
// fluidsynthlibrary.cpp). Each lists its functions as
// X(return type, name, parameters, arguments, value without the library),
// keeps them as pointers in a struct, and has a library() that loads it once.

#include <dlfcn.h>

#include <initializer_list>

// The struct's member for one function.
#define NORRAVA_LAZY_POINTER(ret, name, params, args, fallback) ret(*name) params = nullptr;

// The function the program calls: handed on to the library, or the value
// without it.
#define NORRAVA_LAZY_FORWARD(ret, name, params, args, fallback)                                                      \
    ret name params                                                                                                  \
    {                                                                                                                \
        if (!library().name)                                                                                         \
            return fallback;                                                                                         \
        return library().name args;                                                                                  \
    }

namespace mci {

// The first of the file names that loads (the versioned name first, the
// development link last), or null.
inline void* openFirstLibrary(std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (void* handle = dlopen(name, RTLD_LAZY | RTLD_LOCAL))
            return handle;
    return nullptr;
}

} // namespace mci
