// What the shipped binaries' C runtime, CRTDLL.DLL, lacks of what the GCC
// and MinGW-w64 libraries linked into them ask for.  Compiled into every
// program and DLL built with txr_shipped_options (CMakeLists.txt).
#include <cstdlib>
#include <random>

// libstdc++ throws std::logic_error and its kin (std::string and the
// containers do) through its copy-on-write strings, whose archive member
// also holds the old string ABI's std::random_device constructor, which
// calls this member function.  Its own definition lies in std::random_device's
// member, which asks for rand_s, read and close: CRTDLL.DLL has none of
// them.  Defined here, that member is never linked.
//
// Contract: only code built for the old string ABI (_GLIBCXX_USE_CXX11_ABI=0)
// that constructs a std::random_device calls this; no shipped binary holds
// such code, and a call ends the program (abort).  A std::random_device in
// a shipped binary links the member again, and the link fails on this
// definition.  Calling nothing of libstdc++ here keeps binaries without C++
// exceptions free of its exception support.
void std::random_device::_M_init(const char*, std::size_t)
{
    std::abort();
}
