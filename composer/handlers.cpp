// SPDX-License-Identifier: MIT
#include "form.h"

#include "platform/error.h"

#include <cmath>

namespace composer {

QString Form::sentence() const
{
    return Combo1.text() + Text2 + Combo2.text() + Text2 + Combo3.text() + Text2 + Combo4.text();
}

qint32 randomIndex(const QString &count, float r)
{
    bool isNumber = false;
    const double index = std::floor(count.toDouble(&isNumber) * double(r));
    if (!isNumber)
        throw platform::Error(QStringLiteral("type mismatch: \"%1\" is not a number").arg(count));
    if (!std::isfinite(index) || index < -2147483648.0 || index >= 2147483648.0)
        throw platform::Error(QStringLiteral("overflow"));
    return qint32(index);
}

void Form::Combo_Click() { Text1.setText(sentence()); }
void Form::Text1_Change() { Command1.setEnabled(true); }

void Form::Command1_Click()
{
    runtime.setClipboardText(Text1.text());
    Command1.setEnabled(false);
}

void Form::Command2_Click()
{
    runtime.MsgBox(QStringLiteral("Fully customizable error generator. Why take the blame when you can use this to "
                                  "generate an error that's over their heads! After all, if you cant blind them "
                                  "with brilliance, dazzle them with bullsh*t!"),
                   platform::vbInformation, QStringLiteral("Fibwright by Mogrith"));
}

void Form::Command4_Click()
{
    // Back becomes available once an earlier Random has saved a first phrase.
    Command5.setEnabled(!Text7.isEmpty());
    platform::ComboBox *const lists[] = {&Combo1, &Combo2, &Combo3, &Combo4};
    QString *const saved[] = {&Text7, &Text8, &Text9, &Text10};
    for (int i = 0; i < 4; ++i)
        *saved[i] = lists[i]->text();
    Text11 = Text1.text();

    // From here a failing statement is skipped: an empty list keeps its text,
    // a count that is no number picks the first item.
    const auto resumeNext = [](auto &&statement) noexcept {
        try { statement(); } catch (const platform::Error &) {} catch (const std::bad_alloc &) {}
    };
    resumeNext([&] { runtime.Randomize(); });
    const QString *const counts[] = {&Text3, &Text4, &Text5, &Text6};
    qint32 indices[4] = {};
    for (int i = 0; i < 4; ++i) {
        float r = 0;
        resumeNext([&] { r = runtime.Rnd(); });
        resumeNext([&] { indices[i] = randomIndex(*counts[i], r); });
    }
    for (int i = 0; i < 4; ++i)
        resumeNext([&] { lists[i]->setListIndex(indices[i]); });
}

void Form::Command5_Click()
{
    Combo1.setText(Text7);
    Combo2.setText(Text8);
    Combo3.setText(Text9);
    Combo4.setText(Text10);
    Text1.setText(Text11);
    Command5.setEnabled(false);
}

void Form::mnuexit_Click() { runtime.End(); }
void Form::Form_Unload() { runtime.End(); }
void Form::Form_Terminate() { runtime.End(); }

} // namespace composer
