#pragma once

#include "StyledText.h"

#include <cstddef>
#include <gumbo.h>

namespace quillo::HtmlReader {

/// Lays out a parsed document as a browser lays out lines (see readDocument). Every run
/// keeps its own copy of its link; links past `linkBudget` bytes in all are dropped, so
/// hostile markup that splits a huge link into many runs stays cheap.
StyledText layOut(const GumboNode* root, std::size_t linkBudget);

} // namespace quillo::HtmlReader
