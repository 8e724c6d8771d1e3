// Where the compiler puts a function's code. The reader's path for one
// frameset runs after the library has decompressed the next, which has
// evicted its code from the caches and its pages from the TLB (a walk of two
// page tables in a virtual machine): the path costs less the fewer lines and
// pages it spans. VSRS_HOT functions sit side by side; a VSRS_COLD function
// sits with the rare code, out of line, and the branch that calls it is the
// unlikely one, so that its caller's common path stays short.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define VSRS_HOT [[gnu::hot]]
#define VSRS_COLD [[gnu::cold, gnu::noinline]]
#else
#define VSRS_HOT
#define VSRS_COLD
#endif
