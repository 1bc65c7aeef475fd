// SPDX-License-Identifier: MIT
#include "handlers.h"

#include "sentence.h"

#include "platform/error.h"
#include "platform/runtime.h"

#include <array>

namespace composer {

namespace {

const QString AboutText = QStringLiteral(
    "Fully customizable error generator. Why take the blame when you can use this to generate an "
    "error that's over their heads! After all, if you cant blind them with brilliance, dazzle them "
    "with bullsh*t!");
const QString AboutTitle = QStringLiteral("Fibwright by Mogrith");

} // namespace

Handlers::Handlers(Form &form, platform::Runtime &runtime)
    : form_(form)
    , runtime_(runtime)
{
}

void Handlers::rebuildSentence()
{
    form_.Text1.setText(assemble(form_));
}

void Handlers::Combo1_Click() { rebuildSentence(); }
void Handlers::Combo2_Click() { rebuildSentence(); }
void Handlers::Combo3_Click() { rebuildSentence(); }
void Handlers::Combo4_Click() { rebuildSentence(); }
void Handlers::Combo1_Change() {}
void Handlers::mnucontents_Click() {}

void Handlers::Text1_Change()
{
    form_.Command1.setEnabled(true);
}

void Handlers::Command1_Click()
{
    runtime_.setClipboardText(form_.Text1.text());
    form_.Command1.setEnabled(false);
}

void Handlers::Command2_Click()
{
    runtime_.MsgBox(AboutText, platform::vbInformation, AboutTitle);
}

void Handlers::Command4_Click()
{
    // Back becomes available once an earlier Random has saved a first phrase.
    if (!form_.Command5.enabled())
        form_.Command5.setEnabled(true);
    if (form_.Text7.isEmpty())
        form_.Command5.setEnabled(false);

    form_.Text7 = form_.Combo1.text();
    form_.Text8 = form_.Combo2.text();
    form_.Text9 = form_.Combo3.text();
    form_.Text10 = form_.Combo4.text();
    form_.Text11 = form_.Text1.text();

    // From here on a statement that fails is skipped: an empty list keeps its
    // text, a count that is not a number picks the first item.
    using platform::resumeNext;
    resumeNext([&] { runtime_.Randomize(); });
    const std::array<QString, 4> counts{form_.Text3, form_.Text4, form_.Text5, form_.Text6};
    std::array<qint32, 4> indices{};
    for (std::size_t i = 0; i < counts.size(); ++i) {
        float r = 0;
        resumeNext([&] { r = runtime_.Rnd(); });
        resumeNext([&] { indices[i] = randomIndex(counts[i], r); });
    }
    const std::array<platform::ComboBox *, 4> lists{&form_.Combo1, &form_.Combo2, &form_.Combo3,
                                                    &form_.Combo4};
    for (std::size_t i = 0; i < lists.size(); ++i)
        resumeNext([&] { lists[i]->setListIndex(indices[i]); });
}

void Handlers::Command5_Click()
{
    form_.Combo1.setText(form_.Text7);
    form_.Combo2.setText(form_.Text8);
    form_.Combo3.setText(form_.Text9);
    form_.Combo4.setText(form_.Text10);
    form_.Text1.setText(form_.Text11);
    form_.Command5.setEnabled(false);
}

void Handlers::mnuexit_Click() { runtime_.End(); }
void Handlers::Form_Unload() { runtime_.End(); }
void Handlers::Form_Terminate() { runtime_.End(); }

} // namespace composer
