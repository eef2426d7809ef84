#pragma once

#include <QtGlobal>

// The system's millisecond counter. It wraps at 2^32: callers take the
// difference of two readings modulo 2^32.
class Clock
{
public:
    virtual ~Clock() = default;
    /// Milliseconds since an arbitrary start, wrapping at 2^32.
    virtual quint32 timeGetTime() = 0;
};
