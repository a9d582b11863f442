#include "meter/lcd_model.h"

namespace {

// The annunciators hidden at the start of every frame.
constexpr std::array kResetElements{
    LcdElement::LCDHold, LcdElement::LcdAuto, LcdElement::ol1,     LcdElement::ol2,
    LcdElement::ol3,     LcdElement::rsUSB,   LcdElement::wsg,     LcdElement::power,
    LcdElement::labMEM,  LcdElement::Labtime, LcdElement::Labcal,  LcdElement::Labmin,
    LcdElement::kvar1,   LcdElement::Labmr,   LcdElement::Labclr,  LcdElement::Labmax,
    LcdElement::kvar,    LcdElement::kwh,     LcdElement::danger,  LcdElement::LabelF,
    LcdElement::labelff, LcdElement::T_LabelF, LcdElement::Point1, LcdElement::Point2,
    LcdElement::Point3,  LcdElement::T_Point1, LcdElement::T_Point2, LcdElement::T_Point3,
    LcdElement::T_dPoint1, LcdElement::Lab0,  LcdElement::LabFUL,  LcdElement::RST,
};
static_assert(kResetElements.size() == 32);

}  // namespace

LcdModel::LcdModel()
{
    for (std::size_t i = 0; i < kLcdElementCount; ++i)
        captions_[i] = lcdDesignCaption(static_cast<LcdElement>(i));
    visible_.set();
    visible_.reset(lcdIndex(LcdElement::Image1));
    visible_.reset(lcdIndex(LcdElement::T_dPoint1));
    visible_.reset(lcdIndex(LcdElement::CONok));
    changed_.set();
}

void LcdModel::setCaption(LcdElement element, std::string_view caption)
{
    std::string& current = captions_[lcdIndex(element)];
    if (current == caption)
        return;
    current.assign(caption);
    changed_.set(lcdIndex(element));
}

void LcdModel::setVisible(LcdElement element, bool visible)
{
    if (visible_[lcdIndex(element)] == visible)
        return;
    visible_.set(lcdIndex(element), visible);
    changed_.set(lcdIndex(element));
}

void LcdModel::DispInit(int kind)
{
    if (kind != 0)
        return;
    for (LcdElement element : kResetElements)
        hide(element);
}

LcdModel::ChangeSet LcdModel::takeChanges()
{
    ChangeSet changes = changed_;
    changed_.reset();
    return changes;
}
