// SPDX-License-Identifier: MIT
#include "load.h"

#include "phrasefile.h"

#include "composer/sentence.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/runtime.h"

#include <array>

namespace phrases {

void Form_Load(composer::Form &form, platform::Runtime &runtime)
{
    try {
        const QString folder = runtime.AppPath();
        const std::array<std::pair<const char16_t *, platform::ComboBox *>, 4> files{{
            {u"list1.dat", &form.Combo1},
            {u"list2.dat", &form.Combo2},
            {u"list3.dat", &form.Combo3},
            {u"list4.dat", &form.Combo4},
        }};
        for (const auto &[name, list] : files) {
            const QString path = folder + QLatin1Char('/') + QString::fromUtf16(name);
            // The file's bytes are let go before the list is sorted.
            platform::ItemList items = decodePhraseFile(platform::readFile(path));
            list->addItems(std::move(items));
        }

        form.Text3 = QString::number(form.Combo1.listCount());
        form.Text4 = QString::number(form.Combo2.listCount());
        form.Text5 = QString::number(form.Combo3.listCount());
        form.Text6 = QString::number(form.Combo4.listCount());

        form.Text1.setText(composer::assemble(form));
    } catch (const std::exception &) {
        runtime.MsgBox(QStringLiteral("Missing Files needed to run, contact site owner!"),
                       platform::vbOKOnly);
        runtime.End();
    }
}

} // namespace phrases
