#include "chart/chart_panel_state.h"

#include <charconv>
#include <utility>

ChartPanelState::ChartPanelState() { FormCreate(nullptr); }

void ChartPanelState::FormCreate(ChartEngine* chart)
{
    control_.reset();
    if (!chart) {
        memoryChart_ = MemoryChartEngine();
        chart = &memoryChart_;
    }
    control_.emplace(*chart, kDefaultPageSize);
    bt10Caption_ = "1";
    maxrecordText_ = "100";
    btFillChecked_ = true;
    timerRangeEnabled_ = false;
}

void ChartPanelState::showPageNumber(int32_t page) { bt10Caption_ = std::to_string(page); }

int32_t ChartPanelState::ShowReading(double value)
{
    const int32_t page = AddPoint(value);
    showPageNumber(page);
    return page;
}

void ChartPanelState::BtFillClick(bool ticked)
{
    btFillChecked_ = ticked;
    control_->SetFill(ticked);
}

int32_t ChartPanelState::BtFirstClick()
{
    const int32_t page = control_->FirstPage();
    showPageNumber(page);
    return page;
}

int32_t ChartPanelState::BTPreviousClick()
{
    const int32_t page = control_->PriorPage();
    showPageNumber(page);
    return page;
}

int32_t ChartPanelState::BtNextClick()
{
    const int32_t page = control_->NextPage();
    showPageNumber(page);
    return page;
}

int32_t ChartPanelState::BTlastClick()
{
    const int32_t page = control_->LastPage();
    showPageNumber(page);
    return page;
}

bool ChartPanelState::MaxrecordKeyPress(char key) { return (key >= '0' && key <= '9') || key == '\b'; }

void ChartPanelState::setMaxrecordText(std::string text)
{
    if (text == maxrecordText_)
        return;
    maxrecordText_ = std::move(text);
    MaxrecordChange();
}

std::optional<int32_t> ChartPanelState::wholeNumber(const std::string& text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    // from_chars takes a minus but not a plus.
    if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    int32_t value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

void ChartPanelState::Timer_rangeTimer()
{
    std::optional<int32_t> number = wholeNumber(maxrecordText_);
    if (!number || *number < 1)
        number = kDefaultPageSize;
    setMaxrecordText(std::to_string(*number));
    control_->SetPageSize(*number);
    timerRangeEnabled_ = false;
}
