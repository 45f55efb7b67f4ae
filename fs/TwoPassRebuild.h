// The run every volume rebuild shares: the checking pass (plans everything, writes nothing), then,
// when it succeeds, the real pass on a fresh rebuild object.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <new>

#include "core/IProgressReporter.h"

// True when a request's devices, progress and extents can be used at all.
template <class Request>
bool RebuildRequestUsable(const Request& r, const IProgressReporter* progress)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    return r.source && r.target && progress && r.oldStart >= 0 && r.newStart >= 0 && r.oldSize > 0 &&
           r.newSize > 0 && r.oldStart <= kMax - r.oldSize && r.newStart <= kMax - r.newSize;
}

// Declares the progress steps, then runs Rebuild(request, progress).Run(checking) twice. Running out
// of memory anywhere returns outOfMemory.
template <class Rebuild, class Request>
int RunCheckedThenReal(const Request& request, IProgressReporter* progress, std::initializer_list<double> steps,
                       int outOfMemory)
{
    for (double weight : steps)
        progress->AddStep(weight);
    try {
        {
            Rebuild checking(request, progress);
            if (const int rc = checking.Run(true))
                return rc;
        }
        Rebuild real(request, progress);
        return real.Run(false);
    } catch (const std::bad_alloc&) {
        return outOfMemory;
    }
}
