// Flush-to-zero and denormals-are-zero for the lifetime of the guard, then the caller's
// setting again. Signals decaying through the denormal range cost tens of times more per
// operation on x86; the plug-ins' process calls hold a guard. A no-op where the SSE control
// register does not exist.
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <pmmintrin.h>
#include <xmmintrin.h>
#define OV_HAS_MXCSR 1
#endif

class DenormalGuard {
public:
#ifdef OV_HAS_MXCSR
    static constexpr bool flushesDenormals = true;
#else
    static constexpr bool flushesDenormals = false;
#endif

    // Audio thread.
#ifdef OV_HAS_MXCSR
    DenormalGuard() : saved(_mm_getcsr())
    {
        // Writing the register stalls the pipeline: skip it when the host has set both.
        if (wanted() != saved)
            _mm_setcsr(wanted());
    }
    ~DenormalGuard()
    {
        if (wanted() != saved)
            _mm_setcsr(saved);
    }
#else
    // Not trivial, so that a guard nothing reads still counts as used.
    DenormalGuard() {}
    ~DenormalGuard() {}
#endif
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#ifdef OV_HAS_MXCSR
    unsigned int wanted() const { return saved | _MM_FLUSH_ZERO_ON | _MM_DENORMALS_ZERO_ON; }
    unsigned int saved;
#endif
};
