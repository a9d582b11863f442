#include "chart/chart_control.h"

#include "chart/value_axis_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

/// A whole axis value as a point number, within what a point number can be.
int64_t wholeX(double x)
{
    if (std::isnan(x))
        return 0;
    return static_cast<int64_t>(std::clamp(x, -9.0e18, 9.0e18));
}

}  // namespace

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
    refreshFit();
    return currentPage_;
}

int32_t TChartControl::FirstPage()
{
    if (pageCount_ > 1 && currentPage_ != 1) {
        chart_.scrollBottomAxis(-pageSize_, int64_t{currentPage_} - 1);
        currentPage_ = 1;
        browsing_ = true;
        refreshFit();
    }
    return currentPage_;
}

int32_t TChartControl::PriorPage()
{
    if (currentPage_ > 1) {
        chart_.scrollBottomAxis(-pageSize_);
        --currentPage_;
        browsing_ = true;
        refreshFit();
    }
    return currentPage_;
}

int32_t TChartControl::NextPage()
{
    if (pageCount_ > 1 && pageCount_ != currentPage_) {
        chart_.scrollBottomAxis(pageSize_);
        ++currentPage_;
        browsing_ = currentPage_ != pageCount_;
        refreshFit();
    }
    return currentPage_;
}

int32_t TChartControl::LastPage()
{
    if (pageCount_ > 1 && pageCount_ != currentPage_) {
        chart_.scrollBottomAxis(pageSize_, int64_t{pageCount_} - currentPage_);
        currentPage_ = pageCount_;
        browsing_ = false;
        refreshFit();
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
    refreshFit();
}

int32_t TChartControl::ClearChart()
{
    FirstPage();
    chart_.clearEverySeries();
    chart_.addPointToEverySeries(0);
    browsing_ = false;
    fitValid_ = false;
    refreshFit();
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
    if (fit_) {
        fixed_.min = x;
        refreshFit();
    } else {
        chart_.setValueAxisMin(x);
    }
}

void TChartControl::SetValueMax(double x)
{
    if (x == valueMax_)
        return;
    valueMax_ = x;
    if (fit_) {
        fixed_.max = x;
        refreshFit();
    } else {
        chart_.setValueAxisMax(x);
    }
}

void TChartControl::setFitValueAxis(bool fit)
{
    if (fit == fit_)
        return;
    fit_ = fit;
    if (fit) {
        fixed_ = chart_.valueAxisRange();
        fitValid_ = false;
        refreshFit();
    } else {
        chart_.setValueAxisRange(fixed_);
    }
}

void TChartControl::refreshFit()
{
    if (!fit_)
        return;
    const ChartAxisRange view = chart_.bottomAxisRange();
    // Readings only: a view moved left of page 1 may show the placeholder.
    const int64_t first = std::max<int64_t>(1, wholeX(std::ceil(view.min)));
    const int64_t last = std::min<int64_t>(chart_.pointCount() - 1, wholeX(std::floor(view.max)));
    if (!fitValid_ || view != fitView_ || last < fitCovered_) {
        fitSpan_ = first <= last ? chart_.valueSpan(first, last) : ChartValueSpan{};
        fitView_ = view;
        fitValid_ = true;
        fitCovered_ = std::max(last, first - 1);
    } else if (last > fitCovered_) {
        fitSpan_.add(chart_.valueSpan(fitCovered_ + 1, last));
        fitCovered_ = last;
    }
    const ChartAxisRange range = fittedValueRange(fitSpan_, fixed_);
    if (range != chart_.valueAxisRange())
        chart_.setValueAxisRange(range);
}
