// vorl's global allocation functions: every block that new returns is filled
// with bytes 0x02, so no member or element of the renderer starts out as zero
// unless a constructor sets it. Linked into vorl and the tests of its code only.
#include <cstdlib>
#include <cstring>
#include <new>

static void* AllocateFilled(std::size_t n)
{
    // malloc(0) may legally return null; new must still return a block.
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr)
        throw std::bad_alloc(); // never fill a block we did not get
    std::memset(p, 0x02, n);
    return p;
}

void* operator new(std::size_t n)
{
    return AllocateFilled(n);
}

void* operator new[](std::size_t n)
{
    return AllocateFilled(n);
}

// The nothrow forms too: under AddressSanitizer a form left out would come
// from the sanitizer and be freed here with free (libFuzzer uses them).
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p != nullptr)
        std::memset(p, 0x02, n);
    return p;
}

void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept
{
    return operator new(n, tag);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
