#pragma once

#include <QtGlobal>

namespace tavlo::test {

// Marsaglia's 32-bit xorshift: the same numbers on every machine and every run, so generated
// test images and benchmark pages are the same everywhere. The state must not start at 0.
struct XorShift32 {
    quint32 state;
    quint32 next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int below(int n) { return int(next() % quint32(n)); }
};

}  // namespace tavlo::test
