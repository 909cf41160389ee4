#include "app/memory_policy.h"

#include <cstdlib>  // says whether this is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace lettrica::app {

void keepBigBuffersMapped() {
#if defined(__GLIBC__)
    // glibc's own starting value, kept from then on.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

}  // namespace lettrica::app
