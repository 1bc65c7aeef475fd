// SPDX-License-Identifier: MIT
#include "load.h"

#include "phrasefile.h"

#include "composer/form.h"

#include <QFile>
#include <QStringList>

namespace phrases {

void Form_Load(composer::Form &form)
{
    // Each failure as "what: why"; every list is tried, so that each file that fails is named.
    QStringList failures;
    try {
        // The folder stays in bytes: a name not valid in the locale's
        // encoding would not survive a round trip through text.
        const QByteArray folder = form.runtime.AppPath();
        QString *const counts[] = {&form.Text3, &form.Text4, &form.Text5, &form.Text6};
        platform::ComboBox *const lists[] = {&form.Combo1, &form.Combo2, &form.Combo3, &form.Combo4};
        for (int i = 0; i < 4; ++i) {
            const QByteArray path = folder + "/list" + QByteArray::number(i + 1) + ".dat";
            try {
                // The file's bytes are let go before the list is sorted.
                auto items = decodePhraseFile(readFile(path));
                lists[i]->setItems(std::move(items));
            } catch (const std::exception &error) {
                failures << QFile::decodeName(path) + QStringLiteral(": ") + QString::fromStdString(error.what());
            }
        }
        if (failures.isEmpty()) {
            for (int i = 0; i < 4; ++i)
                *counts[i] = QString::number(lists[i]->listCount());
            form.Text1.setText(form.sentence());
            return;
        }
    } catch (const std::exception &error) {
        failures << QString::fromStdString(error.what());
    }
    form.runtime.MsgBox(QStringLiteral("Missing Files needed to run, contact site owner!"), platform::vbOKOnly);
    for (const QString &failure : failures)
        form.runtime.reportError(failure);
    form.runtime.End(1);
}

} // namespace phrases
