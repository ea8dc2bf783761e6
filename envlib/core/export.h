// The boundary of every export: nothing thrown inside crosses it, and a library
// whose attach failed answers with the export's failure result.
#pragma once
#include "core/lifecycle.h"

namespace dorlix {
template <class R, class F>
R Guarded(R failure, F&& body) noexcept
{
    if (!LibraryReady()) return failure;
    try {
        return body();
    } catch (...) {
        return failure;
    }
}
} // namespace dorlix
