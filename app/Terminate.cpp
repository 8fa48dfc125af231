// The program's own copy of the runtime's default handler for an exception nobody catches.
// The runtime's one names the exception's type through the C++ demangler, which brings some
// 45 KB of code into the program for one line on a stderr that a windowed program seldom
// has. This one writes the same lines, the type by its raw name, and aborts the same way.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <typeinfo>

#include <cxxabi.h>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    static bool terminating = false; // a throw from what() comes back here
    if (terminating) {
        std::fputs("terminate called recursively\n", stderr);
        std::abort();
    }
    terminating = true;
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (!type) {
        std::fputs("terminate called without an active exception\n", stderr);
        std::abort();
    }
    const char* name = type->name();
    std::fputs("terminate called after throwing an instance of '", stderr);
    std::fputs(name[0] == '*' ? name + 1 : name, stderr);
    std::fputs("'\n", stderr);
    try {
        throw;
    } catch (const std::exception& e) {
        std::fputs("  what():  ", stderr);
        std::fputs(e.what(), stderr);
        std::fputs("\n", stderr);
    } catch (...) {
    }
    std::abort();
}

} // namespace __gnu_cxx
