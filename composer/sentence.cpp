// SPDX-License-Identifier: MIT
#include "sentence.h"

#include "platform/runtime.h"

#include <cmath>

namespace composer {

QString assemble(const Form &form)
{
    return form.Combo1.text() + form.Text2 + form.Combo2.text() + form.Text2 + form.Combo3.text()
        + form.Text2 + form.Combo4.text();
}

qint32 randomIndex(const QString &count, float r)
{
    return platform::toLong(std::floor(platform::toDouble(count) * double(r)));
}

} // namespace composer
