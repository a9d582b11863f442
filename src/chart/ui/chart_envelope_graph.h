#pragma once

#include "chart/min_max_pyramid.h"

#include <qcustomplot.h>

#include <memory>

/// A QCustomPlot graph that draws a stretch of many points a pixel from the
/// block summaries of its container instead of walking the points: for each
/// pixel column of the stretch the smallest and the largest value (two
/// points at a quarter and three quarters of the column), the stretch's first
/// and last points as they are. That is the envelope the plain graph's
/// adaptive sampling draws, at O(columns x log n) instead of O(n), so the whole
/// of a run of ten million points repaints as fast as a page of a hundred.
///
/// Its fill, down to the zero line, steps from column to column at the
/// column's extreme nearer zero: the zig-zag from smallest to largest lies
/// under the line's stroke anyway, and a polygon with hundreds of tall edges
/// across every row of pixels takes the raster engine a tenth of a second.
///
/// Points that lie apart, line styles other than a plain line, and a
/// container the summaries do not describe are drawn as the plain graph
/// draws them.
class ChartEnvelopeGraph : public QCPGraph {
public:
    /// Registers itself with the plot of @p keyAxis, which owns it, as
    /// QCustomPlot::addGraph does.
    ChartEnvelopeGraph(QCPAxis* keyAxis, QCPAxis* valueAxis);

    /// @p summaries describe @p data, whose keys are the point numbers 0, 1,
    /// 2 ...; their owner keeps both in step. Either may be null.
    void setSummaries(std::shared_ptr<const MinMaxPyramid> summaries, const QCPGraphDataContainer* data);

protected:
    void getOptimizedLineData(QVector<QCPGraphData>* lineData, const QCPGraphDataContainer::const_iterator& begin,
                              const QCPGraphDataContainer::const_iterator& end) const override;
    void drawFill(QCPPainter* painter, QVector<QPointF>* lines) const override;

private:
    /// The envelope of begin to end into @p lineData and fillLine_; false,
    /// with neither touched, where the plain graph's drawing is the one.
    bool drawEnvelope(QVector<QCPGraphData>& lineData, const QCPGraphDataContainer::const_iterator& begin,
                      const QCPGraphDataContainer::const_iterator& end) const;

    std::shared_ptr<const MinMaxPyramid> summaries_;
    const QCPGraphDataContainer* summarised_ = nullptr;
    /// The outline of the fill for the envelope last handed out (drawing
    /// asks for a stretch's line, then fills under it); empty when the plain
    /// graph drew it.
    mutable QVector<QCPGraphData> fillLine_;
};
