#include "chart/chart_panel_state.h"

#include "meter/whole_number.h"

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

bool ChartPanelState::MaxrecordKeyPress(char key) { return keepsWholeNumberKey(key); }

void ChartPanelState::setMaxrecordText(std::string text)
{
    if (text == maxrecordText_)
        return;
    maxrecordText_ = std::move(text);
    MaxrecordChange();
}

void ChartPanelState::Timer_rangeTimer()
{
    std::optional<int32_t> number = parseWholeNumber(maxrecordText_);
    if (!number || *number < 1)
        number = kDefaultPageSize;
    setMaxrecordText(std::to_string(*number));
    control_->SetPageSize(*number);
    timerRangeEnabled_ = false;
}
