#include "chart/min_max_pyramid.h"

void MinMaxPyramid::append(double value)
{
    open_.add(value);
    ++size_;
    if (size_ % kLowestBlock != 0)
        return;
    // A completed block may complete its parent, and that one its own.
    ChartValueSpan block = open_;
    open_ = {};
    for (std::size_t level = 0;; ++level) {
        if (level == levels_.size())
            levels_.emplace_back();
        std::vector<ChartValueSpan>& blocks = levels_[level];
        blocks.push_back(block);
        if (blocks.size() % 2 != 0)
            return;
        block = blocks[blocks.size() - 2];
        block.add(blocks.back());
    }
}

void MinMaxPyramid::clear()
{
    std::vector<std::vector<ChartValueSpan>>().swap(levels_);
    open_ = {};
    size_ = 0;
}

std::size_t MinMaxPyramid::memoryBytes() const
{
    std::size_t bytes = levels_.capacity() * sizeof(levels_[0]);
    for (const std::vector<ChartValueSpan>& blocks : levels_)
        bytes += blocks.capacity() * sizeof(ChartValueSpan);
    return bytes;
}
