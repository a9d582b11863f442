#include "chart/chart_control.h"

#include <algorithm>
#include <limits>

TChartControl::TChartControl(ChartEngine& chart, int32_t pageSize) : chart_(chart)
{
    SetPageSize(std::max<int32_t>(1, pageSize));
    chart_.setBottomAxisRange(1, pageSize_);
    pageCount_ = 1;
    currentPage_ = 1;
    chart_.addPointToEverySeries(0);
    fill_ = true;
    chart_.setAreaVisible(true);
}

int32_t TChartControl::pagesFor(int32_t size) const
{
    // The placeholder is no reading.
    const int64_t readings = std::max<int64_t>(0, chart_.pointCount() - 1);
    const int64_t pages = readings / size + (readings % size > 0 ? 1 : 0);
    return static_cast<int32_t>(std::clamp<int64_t>(pages, 1, std::numeric_limits<int32_t>::max()));
}

int32_t TChartControl::AddPoint(double value)
{
    chart_.addPointToEverySeries(value);
    pageCount_ = pagesFor(pageSize_);
    if (!browsing_) {
        chart_.scrollBottomAxis(pageSize_);
        currentPage_ = pageCount_;
    }
    return currentPage_;
}

int32_t TChartControl::FirstPage()
{
    if (pageCount_ > 1 && currentPage_ != 1) {
        chart_.scrollBottomAxis(-pageSize_, int64_t{currentPage_} - 1);
        currentPage_ = 1;
        browsing_ = true;
    }
    return currentPage_;
}

int32_t TChartControl::PriorPage()
{
    if (currentPage_ > 1) {
        chart_.scrollBottomAxis(-pageSize_);
        --currentPage_;
        browsing_ = true;
    }
    return currentPage_;
}

int32_t TChartControl::NextPage()
{
    if (pageCount_ > 1 && pageCount_ != currentPage_) {
        chart_.scrollBottomAxis(pageSize_);
        ++currentPage_;
        browsing_ = currentPage_ != pageCount_;
    }
    return currentPage_;
}

int32_t TChartControl::LastPage()
{
    if (pageCount_ > 1 && pageCount_ != currentPage_) {
        chart_.scrollBottomAxis(pageSize_, int64_t{pageCount_} - currentPage_);
        currentPage_ = pageCount_;
        browsing_ = false;
    }
    return currentPage_;
}

void TChartControl::SetPageSize(int32_t size)
{
    if (size == pageSize_ || size < 1)
        return;
    pageSize_ = size;
    chart_.setBottomAxisRange(1, size);
    pageCount_ = pagesFor(size);
    chart_.scrollBottomAxis(size, int64_t{pageCount_} - 1);
    currentPage_ = pageCount_;
    browsing_ = false;
}

int32_t TChartControl::ClearChart()
{
    FirstPage();
    chart_.clearEverySeries();
    chart_.addPointToEverySeries(0);
    browsing_ = false;
    return currentPage_;
}

void TChartControl::SetFill(bool fill)
{
    if (fill == fill_)
        return;
    fill_ = fill;
    chart_.setAreaVisible(fill);
}

void TChartControl::SetValueMin(double x)
{
    if (x == valueMin_)
        return;
    valueMin_ = x;
    chart_.setValueAxisMin(x);
}

void TChartControl::SetValueMax(double x)
{
    if (x == valueMax_)
        return;
    valueMax_ = x;
    chart_.setValueAxisMax(x);
}
