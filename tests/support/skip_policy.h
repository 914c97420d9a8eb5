#pragma once
// The only reasons a test may skip (GTEST_SKIP() << SKIP_NO_AVX2, ...). Anything else that skips (a raw
// GTEST_SKIP for a missing tool, say) is turned into a failure by the
// shared test main, so `make test` cannot pass on a half-equipped machine.
#include <gtest/gtest.h>

#define SKIP_NO_AVX2 "no AVX2 on this machine"
#define SKIP_SANITIZED_ALLOCATOR "the sanitizers replace the allocator"
#define SKIP_ASAN_OWNS_SIGSEGV "AddressSanitizer owns SIGSEGV"
#define SKIP_GOLDEN_WRITTEN "golden regenerated"

inline const char* const by_design_skips[] = {SKIP_NO_AVX2, SKIP_SANITIZED_ALLOCATOR, SKIP_ASAN_OWNS_SIGSEGV,
                                              SKIP_GOLDEN_WRITTEN};
