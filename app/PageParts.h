#pragma once
// What a page is made with besides its source: the markup tag set and the two body
// fragments, each fragment only when its switch is on.

#include "TStrings.h"

#include <optional>

struct TPageParts {
    TStrings Attr;
    std::optional<TStrings> BodyAfter;
    std::optional<TStrings> BodyEndBefore;

    const TStrings* AfterOrNull() const { return BodyAfter ? &*BodyAfter : nullptr; }
    const TStrings* EndBeforeOrNull() const { return BodyEndBefore ? &*BodyEndBefore : nullptr; }
};
