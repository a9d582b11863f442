#include "chart/ui/chart_envelope_graph.h"

#include <algorithm>
#include <cmath>
#include <limits>

ChartEnvelopeGraph::ChartEnvelopeGraph(QCPAxis* keyAxis, QCPAxis* valueAxis) : QCPGraph(keyAxis, valueAxis) {}

void ChartEnvelopeGraph::setSummaries(std::shared_ptr<const MinMaxPyramid> summaries, const QCPGraphDataContainer* data)
{
    summaries_ = std::move(summaries);
    summarised_ = data;
}

void ChartEnvelopeGraph::getOptimizedLineData(QVector<QCPGraphData>* lineData,
                                              const QCPGraphDataContainer::const_iterator& begin,
                                              const QCPGraphDataContainer::const_iterator& end) const
{
    fillLine_.clear();
    if (!lineData || !drawEnvelope(*lineData, begin, end))
        QCPGraph::getOptimizedLineData(lineData, begin, end);
}

bool ChartEnvelopeGraph::drawEnvelope(QVector<QCPGraphData>& lineData,
                                      const QCPGraphDataContainer::const_iterator& begin,
                                      const QCPGraphDataContainer::const_iterator& end) const
{
    const QCPAxis* keyAxis = mKeyAxis.data();
    const QCPGraphDataContainer* data = mDataContainer.data();
    if (!keyAxis || !summaries_ || data != summarised_ || summaries_->size() != data->size() || !mAdaptiveSampling ||
        mLineStyle != lsLine || keyAxis->scaleType() != QCPAxis::stLinear || keyAxis->orientation() != Qt::Horizontal ||
        keyAxis->rangeReversed() || end - begin < 3)
        return false;
    const QCPGraphDataContainer::const_iterator origin = data->constBegin();
    const int64_t first = begin - origin;
    const int64_t last = (end - 1) - origin;
    // The summaries know points by their numbers, which are their keys only
    // while nobody put other keys into the container.
    if (begin->key != static_cast<double>(first) || (end - 1)->key != static_cast<double>(last))
        return false;
    // Up to two points a pixel draw as they are, as cheaply as any envelope.
    const double pixels =
        keyAxis->coordToPixel(static_cast<double>(last)) - keyAxis->coordToPixel(static_cast<double>(first));
    if (static_cast<double>(last - first + 1) <= 2 * pixels + 2)
        return false;

    const auto pixel = [keyAxis](int64_t x) { return std::floor(keyAxis->coordToPixel(static_cast<double>(x))); };
    const auto valueAt = [origin](int64_t i) { return (origin + i)->value; };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    lineData.clear();
    lineData.append(*begin);
    fillLine_.append(*begin);
    for (int64_t i = first; i <= last;) {
        const double column = pixel(i);
        const double columnStart = keyAxis->pixelToCoord(column);
        const double columnEnd = keyAxis->pixelToCoord(column + 1);
        // The first point of the next column; the axis's rounding may put the
        // boundary a point either way of where the inverse says.
        int64_t next = static_cast<int64_t>(
            std::clamp(std::ceil(columnEnd), static_cast<double>(i + 1), static_cast<double>(last + 1)));
        while (next <= last && pixel(next) <= column)
            ++next;
        while (next - 1 > i && pixel(next - 1) > column)
            --next;
        if (next - i == 1) {
            if (i != first && i != last) {
                lineData.append(*(origin + i));
                fillLine_.append(*(origin + i));
            }
            i = next;
            continue;
        }
        const ChartValueSpan span = summaries_->span(i, next, valueAt);
        // Within the stretch, so its end points stay its ends.
        const auto at = [&](double share) {
            return std::clamp(columnStart + share * (columnEnd - columnStart), begin->key, (end - 1)->key);
        };
        if (span.empty()) {
            lineData.append(QCPGraphData(at(0.5), nan));
            fillLine_.append(QCPGraphData(at(0.5), nan));
        } else {
            lineData.append(QCPGraphData(at(0.25), span.min));
            lineData.append(QCPGraphData(at(0.75), span.max));
            // The fill reaches the zero line; what lies between the column's
            // extremes is under the line's stroke.
            const double inner = span.min > 0 ? span.min : span.max < 0 ? span.max : 0;
            fillLine_.append(QCPGraphData(at(0), inner));
            fillLine_.append(QCPGraphData(at(1), inner));
        }
        i = next;
    }
    lineData.append(*(end - 1));
    fillLine_.append(*(end - 1));
    return true;
}

void ChartEnvelopeGraph::drawFill(QCPPainter* painter, QVector<QPointF>* lines) const
{
    if (fillLine_.isEmpty() || mChannelFillGraph) {
        QCPGraph::drawFill(painter, lines);
        return;
    }
    QVector<QPointF> steps = dataToLines(fillLine_);
    QCPGraph::drawFill(painter, &steps);
}
