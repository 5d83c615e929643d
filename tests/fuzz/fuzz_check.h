#pragma once
// A property a fuzz target checks: when it fails, the input and the broken property go
// to standard error and the process aborts, so libFuzzer keeps the input as a finding.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)
