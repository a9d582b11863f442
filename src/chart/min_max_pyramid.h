#pragma once

#include "chart/chart_engine.h"

#include <cstddef>
#include <cstdint>
#include <vector>

/// Smallest and largest value of every block of a growing run of points, so
/// that the span of any stretch of the run costs O(log n) block reads plus at
/// most two partial blocks of raw points, whatever its length. Level k holds
/// one span per complete block of 64 x 2^k points; the points themselves stay
/// with their owner, which hands them in for the ends of a stretch. Adding a
/// point is O(1) amortised, and the levels hold half a byte a point (a
/// chart point holds 16).
class MinMaxPyramid {
public:
    /// Points of a block on the lowest level, as a power of two.
    static constexpr int kLowestBlockShift = 6;
    static constexpr int64_t kLowestBlock = int64_t{1} << kLowestBlockShift;

    /// The point numbered size() gets @p value.
    void append(double value);
    /// Forgets every point and gives the memory back.
    void clear();
    int64_t size() const { return size_; }

    /// The span of the points numbered @p first to @p end - 1 (clamped to
    /// the points held); @p valueAt(i) gives the value of point i, asked
    /// only for points outside the complete blocks the stretch covers.
    template <class ValueAt>
    ChartValueSpan span(int64_t first, int64_t end, const ValueAt& valueAt) const;

    /// Bytes the levels hold, reserve included.
    std::size_t memoryBytes() const;

private:
    /// levels_[k][i]: points i x 64 x 2^k up to (i + 1) x 64 x 2^k - 1.
    std::vector<std::vector<ChartValueSpan>> levels_;
    /// The lowest-level block not yet complete.
    ChartValueSpan open_;
    int64_t size_ = 0;
};

template <class ValueAt>
ChartValueSpan MinMaxPyramid::span(int64_t first, int64_t end, const ValueAt& valueAt) const
{
    ChartValueSpan out;
    if (first < 0)
        first = 0;
    if (end > size_)
        end = size_;
    if (first >= end)
        return out;
    const int64_t blocksFrom = (first + kLowestBlock - 1) >> kLowestBlockShift;
    const int64_t blocksTo = end >> kLowestBlockShift;
    if (blocksFrom >= blocksTo) {
        for (int64_t i = first; i < end; ++i)
            out.add(valueAt(i));
        return out;
    }
    for (int64_t i = first; i < blocksFrom << kLowestBlockShift; ++i)
        out.add(valueAt(i));
    for (int64_t i = blocksTo << kLowestBlockShift; i < end; ++i)
        out.add(valueAt(i));
    // Blocks [from, to) of one level; an odd block at either end is taken on
    // its own, the even-aligned rest is the same stretch one level up.
    int64_t from = blocksFrom, to = blocksTo;
    for (std::size_t level = 0; from < to; ++level, from >>= 1, to >>= 1) {
        const std::vector<ChartValueSpan>& blocks = levels_[level];
        if (from & 1)
            out.add(blocks[static_cast<std::size_t>(from++)]);
        if (to & 1)
            out.add(blocks[static_cast<std::size_t>(--to)]);
    }
    return out;
}
