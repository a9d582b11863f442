#pragma once

#include "chart/chart_engine.h"

#include <cstdint>

/// The trend chart's paging object: moves the bottom axis by whole pages,
/// keeps the page numbers and sets the value axis (or fits it to the readings
/// in view). Page p covers the x values (p - 1) x PageSize + 1 to
/// p x PageSize; the point at x = 0 is a placeholder left of page 1, so the
/// first reading lands at x = 1. Every move of the view goes through
/// ChartEngine::scrollBottomAxis. Main thread.
class TChartControl {
public:
    /// Create: pages @p chart (not owned; must outlive this object) with
    /// @p pageSize points a page (at least 1), puts the placeholder point in
    /// every series and shows the area.
    TChartControl(ChartEngine& chart, int32_t pageSize);

    TChartControl(const TChartControl&) = delete;
    TChartControl& operator=(const TChartControl&) = delete;

    /// Adds one reading to every series; unless browsing, the view follows
    /// onto the newest page. Returns CurrentPage.
    int32_t AddPoint(double value);
    /// Paging; each returns CurrentPage. FirstPage and PriorPage start
    /// browsing, LastPage (and NextPage onto the last page) end it.
    int32_t FirstPage();
    int32_t PriorPage();
    int32_t NextPage();
    int32_t LastPage();
    /// Shows the last page at @p size points a page and follows again. A
    /// size below 1 is ignored (it would leave no page to show).
    void SetPageSize(int32_t size);
    /// Removes every reading, keeping the placeholder. Returns CurrentPage.
    int32_t ClearChart();
    /// Shows or hides the area (series 0).
    void SetFill(bool fill);
    /// Value axis range; only a value that differs from the last one set
    /// through this object reaches the axis (while the axis is fitted, it is
    /// kept for when the fit ends).
    void SetValueMin(double x);
    void SetValueMax(double x);
    /// Fits the value axis to the readings in view, or ends the fit (off at
    /// creation). While on, the axis shows fittedValueRange of the readings
    /// whose x the bottom axis shows, kept up as readings arrive and as the
    /// view moves: a new reading in view only widens what is known, a moved
    /// view asks the engine once for its readings. Ending the fit gives the
    /// axis back the range it would have had: the one it had when the fit
    /// began, with whatever SetValueMin and SetValueMax set meanwhile.
    void setFitValueAxis(bool fit);
    bool fitsValueAxis() const { return fit_; }

    ChartEngine& Chart() const { return chart_; }
    int32_t CurrentPage() const { return currentPage_; }
    int32_t PageSize() const { return pageSize_; }
    int32_t PageCount() const { return pageCount_; }
    bool Browsing() const { return browsing_; }
    double ValueMax() const { return valueMax_; }
    double ValueMin() const { return valueMin_; }
    bool Fill() const { return fill_; }

private:
    /// Pages the readings fill at @p size a page: the page of the newest one.
    int32_t pagesFor(int32_t size) const;
    /// While fitting: brings the value axis up to the readings in view.
    void refreshFit();

    ChartEngine& chart_;
    int32_t currentPage_ = 0;
    int32_t pageSize_ = 0;
    int32_t pageCount_ = 0;
    bool browsing_ = false;
    double valueMax_ = 0;
    double valueMin_ = 0;
    bool fill_ = false;

    bool fit_ = false;
    /// The value axis range the fit stands in for.
    ChartAxisRange fixed_;
    /// The readings known in the view fitView_: those with x from the view's
    /// first one to fitCovered_ (at least the x before the view's first).
    /// Not valid (fitValid_ false) until worked out for the view.
    ChartValueSpan fitSpan_;
    ChartAxisRange fitView_;
    int64_t fitCovered_ = 0;
    bool fitValid_ = false;
};
