// Ends through the program's handler for an exception nobody catches: with "none" by
// std::terminate without an exception, with "silent" by a throw of something that is not a
// std::exception, otherwise by an uncaught std::runtime_error.
#include <cstring>
#include <exception>
#include <stdexcept>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "none") == 0)
        std::terminate();
    if (argc > 1 && std::strcmp(argv[1], "silent") == 0)
        throw 42;
    throw std::runtime_error("step out of range");
}
