// SPDX-License-Identifier: MIT
#include "load.h"

#include "phrasefile.h"

#include "composer/form.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/runtime.h"

#include <array>

namespace phrases {

void Form_Load(composer::Form &form)
{
    platform::Runtime &runtime = form.runtime;
    try {
        // The path stays in bytes: turned into text and back, a folder
        // name that is not valid in the locale's encoding would be lost.
        const QByteArray folder = runtime.AppPath();
        const std::array<std::pair<const char *, platform::ComboBox *>, 4> files{{
            {"list1.dat", &form.Combo1},
            {"list2.dat", &form.Combo2},
            {"list3.dat", &form.Combo3},
            {"list4.dat", &form.Combo4},
        }};
        for (const auto &[name, list] : files) {
            const QByteArray path = folder + '/' + name;
            // The file's bytes are let go before the list is sorted.
            platform::ItemList items = decodePhraseFile(platform::readFile(path));
            list->addItems(std::move(items));
        }

        form.Text3 = QString::number(form.Combo1.listCount());
        form.Text4 = QString::number(form.Combo2.listCount());
        form.Text5 = QString::number(form.Combo3.listCount());
        form.Text6 = QString::number(form.Combo4.listCount());

        form.Text1.setText(form.sentence());
    } catch (const std::exception &) {
        runtime.MsgBox(QStringLiteral("Missing Files needed to run, contact site owner!"),
                       platform::vbOKOnly);
        runtime.End();
    }
}

} // namespace phrases
