// Calls that the hardening flags must turn into checked ones: a read of a length known only
// at run time into an array of known size (_FORTIFY_SOURCE), in a function with a local
// array (stack protector). Only built, never run.
#include <cstdio>
#include <unistd.h>

int main(int argc, char**)
{
    char szName[64] = "";
    if (::read(0, szName, static_cast<std::size_t>(argc)) > 0)
        std::puts(szName);
    return 0;
}
