// SPDX-License-Identifier: MIT
#include "load.h"

#include "phrasefile.h"

#include "composer/form.h"

namespace phrases {

void Form_Load(composer::Form &form)
{
    try {
        // The folder stays in bytes: a name not valid in the locale's
        // encoding would not survive a round trip through text.
        const QByteArray folder = form.runtime.AppPath();
        QString *const counts[] = {&form.Text3, &form.Text4, &form.Text5, &form.Text6};
        platform::ComboBox *const lists[] = {&form.Combo1, &form.Combo2, &form.Combo3, &form.Combo4};
        for (int i = 0; i < 4; ++i) {
            // The file's bytes are let go before the list is sorted.
            auto items = decodePhraseFile(readFile(folder + "/list" + QByteArray::number(i + 1) + ".dat"));
            lists[i]->setItems(std::move(items));
        }
        for (int i = 0; i < 4; ++i)
            *counts[i] = QString::number(lists[i]->listCount());
        form.Text1.setText(form.sentence());
    } catch (const std::exception &) {
        form.runtime.MsgBox(QStringLiteral("Missing Files needed to run, contact site owner!"), platform::vbOKOnly);
        form.runtime.End();
    }
}

} // namespace phrases
