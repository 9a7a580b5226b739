#include "engine/memory_window.h"

namespace tevmar {

namespace {

std::size_t Index(TextBox box)
{
    return static_cast<std::size_t>(box);
}

bool IsLoadType(Option option)
{
    return option == Option::SRL || option == Option::SRC || option == Option::PRL ||
           option == Option::PRC;
}

} // namespace

MemoryWindow::MemoryWindow()
{
    texts_[Index(TextBox::LC_text)] = " 0.0";
}

MemoryWindow::MemoryWindow(const TypedInputs &inputs) : MemoryWindow()
{
    Type(TextBox::F1_text, inputs.f1Text);
    Type(TextBox::F2_text, inputs.f2Text);
    Type(TextBox::Zhigh_text, inputs.zhighText);
    Type(TextBox::Zlow_text, inputs.zlowText);
    Select(inputs.order);
    Select(inputs.loadType);
    if (inputs.absorbText) {
        SetCheckBox(1);
        Type(TextBox::LC_text, *inputs.absorbText);
    }
}

std::string MemoryWindow::ReadText(TextBox box) const
{
    return texts_[Index(box)];
}

void MemoryWindow::WriteText(TextBox box, std::string_view text)
{
    texts_[Index(box)] = std::string(text);
}

bool MemoryWindow::IsSelected(Option option) const
{
    return option == loadType_ || option == order_;
}

void MemoryWindow::Select(Option option)
{
    (IsLoadType(option) ? loadType_ : order_) = option;
}

void MemoryWindow::PrintLine(const Line &line)
{
    ComposeLine(line, pane_);
}

} // namespace tevmar
