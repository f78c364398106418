#include "device/ptp/GphotoFunctions.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <type_traits>

namespace {

// The soname the headers belong to; its own dependencies (the port library)
// come with it, and dlsym looks there too.
constexpr const char *GphotoLibraryName = "libgphoto2.so.6";

struct TLoaded
{
    TGphotoFunctions Functions;
    bool Complete = false;
    std::string Error;
};

TLoaded Load()
{
    TLoaded loaded;
    // Never unloaded: drivers it loads keep pointers into it.
    void *library = dlopen(GphotoLibraryName, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library) {
        const char *reason = dlerror();
        loaded.Error = reason ? reason : GphotoLibraryName;
        return loaded;
    }
    bool complete = true;
    const auto resolve = [&](auto &pointer, const char *name) {
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(dlsym(library, name));
        if (!pointer && complete) {
            complete = false;
            loaded.Error = std::string(GphotoLibraryName) + ": no " + name;
        }
    };
#define TESSARIL_GPHOTO_RESOLVE(name) resolve(loaded.Functions.name, #name);
    TESSARIL_GPHOTO_FUNCTIONS(TESSARIL_GPHOTO_RESOLVE)
#undef TESSARIL_GPHOTO_RESOLVE
    loaded.Complete = complete;
    return loaded;
}

const TLoaded &Loaded()
{
    static const TLoaded loaded = Load();
    return loaded;
}

} // namespace

const TGphotoFunctions *LoadGphotoFunctions(std::string &error)
{
    const TLoaded &loaded = Loaded();
    if (!loaded.Complete) {
        error = loaded.Error;
        return nullptr;
    }
    return &loaded.Functions;
}

const TGphotoFunctions &Gphoto()
{
    const TLoaded &loaded = Loaded();
    // A caller that skipped the check would call through a null pointer.
    if (!loaded.Complete)
        std::abort();
    return loaded.Functions;
}
