// Checks on the rectangles a plug-in asks the host for.
#pragma once

#include "host/HostInterface.h"

#include <gtest/gtest.h>

// Whether inRect, outRect and maskRect are all `expected`; the failure
// names the first that is not.
inline ::testing::AssertionResult RequestsAre(const FilterRecord& record, Rect expected) {
    const struct {
        const char* name;
        const Rect& rect;
    } requests[] = {
        {"inRect", record.inRect}, {"outRect", record.outRect}, {"maskRect", record.maskRect}};
    for (const auto& request : requests) {
        const Rect& r = request.rect;
        if (r.top != expected.top || r.left != expected.left || r.bottom != expected.bottom ||
            r.right != expected.right) {
            return ::testing::AssertionFailure()
                   << request.name << " is {" << r.top << ", " << r.left << ", " << r.bottom << ", "
                   << r.right << "}, not {" << expected.top << ", " << expected.left << ", "
                   << expected.bottom << ", " << expected.right << "}";
        }
    }
    return ::testing::AssertionSuccess();
}
