// SPDX-License-Identifier: MIT
#pragma once

#include "form.h"

namespace composer {

// The sentence: the four lists' current texts in order, the separator
// between each two. Nothing is trimmed or skipped.
QString assemble(const Form &form);

// Random's index for a list: floor(count x r) as a 32-bit integer. Throws
// platform::Error when the count text is not a number or the result does
// not fit.
qint32 randomIndex(const QString &count, float r);

} // namespace composer
