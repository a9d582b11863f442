#pragma once

#include "chart/chart_control.h"
#include "chart/memory_chart_engine.h"

#include <cstdint>
#include <optional>
#include <string>

/// The trend chart's side of the main window without its widgets: the paging
/// object ChartControl, the state of the chart's tool controls (the page
/// indicator Bt10, the page-size edit Maxrecord, the Fill box, the debounce
/// timer Timer_range, the chart menu's "Fit vertical axis to readings") and
/// the handlers that work on them. The window forwards the user's actions
/// here and renders the texts and flags; the command line
/// drives it the same way. Main thread.
class ChartPanelState {
public:
    /// Page size of a new chart, and what a bad page-size text falls back to.
    static constexpr int32_t kDefaultPageSize = 100;

    /// Starts on an in-memory chart, as FormCreate(nullptr) leaves it.
    ChartPanelState();

    /// FormCreate's step: creates ChartControl for @p chart (the window's
    /// Chtshow; nullptr for an in-memory chart) with a page of 100 points.
    /// @p chart must outlive this object. The tool controls read as laid out.
    void FormCreate(ChartEngine* chart);

    TChartControl& ChartControl() { return *control_; }
    const TChartControl& ChartControl() const { return *control_; }

    /// The reading path: adds the reading's chart value; returns the page
    /// for the caller to show when ChartFollowLast is set.
    int32_t AddPoint(double value) { return control_->AddPoint(value); }
    /// Sets the caption of Bt10 to @p page.
    void showPageNumber(int32_t page);
    /// AddPoint, then Bt10 := the returned page (ShowDataQ7 while
    /// ChartFollowLast is set). Returns the page.
    int32_t ShowReading(double value);

    /// The Fill box was clicked; @p ticked is its new tick state.
    void BtFillClick(bool ticked);
    /// "Fit vertical axis to readings" was ticked or cleared: the value axis
    /// follows the readings in view, or goes back to the unit's range.
    void fitValueAxisClick(bool ticked) { control_->setFitValueAxis(ticked); }
    /// Its tick: the chart's own state, so a new chart starts unticked.
    bool fitValueAxisChecked() const { return control_->fitsValueAxis(); }
    /// Paging buttons (and the hidden Graph menu's GoTo items); each shows
    /// the page in Bt10 and returns it.
    int32_t BtFirstClick();
    int32_t BTPreviousClick();
    int32_t BtNextClick();
    int32_t BTlastClick();

    /// Whether a character typed into Maxrecord is kept: digits and
    /// backspace (8) only (keepsWholeNumberKey).
    static bool MaxrecordKeyPress(char key);
    /// The text of Maxrecord becomes @p text (Latin-1); a different text
    /// runs MaxrecordChange, as the edit's change event does.
    void setMaxrecordText(std::string text);
    /// Restarts Timer_range: it fires one second after the last change.
    /// The window (re)starts its timer whenever Timer_rangeEnabled() is set
    /// after this.
    void MaxrecordChange() { timerRangeEnabled_ = true; }
    /// The debounce fired: a text that is not a positive whole number
    /// becomes "100", the number is written back in plain decimal, the page
    /// size follows it, and the timer stops.
    void Timer_rangeTimer();

    /// The value axis range as last set (the layout's -11000..11000 until
    /// the first unit change).
    ChartAxisRange valueAxisRange() const { return control_->Chart().valueAxisRange(); }

    const std::string& Bt10Caption() const { return bt10Caption_; }
    const std::string& MaxrecordText() const { return maxrecordText_; }
    bool BtFillChecked() const { return btFillChecked_; }
    bool Timer_rangeEnabled() const { return timerRangeEnabled_; }

private:
    MemoryChartEngine memoryChart_;
    std::optional<TChartControl> control_;
    std::string bt10Caption_ = "1";
    std::string maxrecordText_ = "100";
    bool btFillChecked_ = true;
    bool timerRangeEnabled_ = false;
};
