// The boundary of every export: nothing thrown inside crosses it, nor a
// hardware fault on Windows (plat::RunGuarded), and a library whose attach
// failed answers with the export's failure result.
#pragma once
#include "core/lifecycle.h"
#include "platform/platform.h"

namespace dorlix {
template <class R, class F>
R Guarded(R failure, F&& body) noexcept
{
    if (!LibraryReady()) return failure;
    struct Call {
        F& body;
        R result;
    } call{body, failure};
    plat::RunGuarded(
        [](void* p) {
            Call& c = *static_cast<Call*>(p);
            try {
                c.result = c.body();
            } catch (...) {
            }
        },
        &call);
    return call.result;
}
} // namespace dorlix
