#pragma once

#include "platform/clock.h"

// The monotonic system clock in milliseconds, truncated to 32 bits.
class SystemClock final : public Clock
{
public:
    quint32 timeGetTime() override;
};
