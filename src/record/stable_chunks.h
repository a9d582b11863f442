#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <type_traits>

/// An array of up to 2^(ChunkBits + BlockBits + TopBits) elements kept in
/// fixed chunks that never move once allocated, reached through a fixed
/// two-level directory. Growing it never touches existing elements or
/// directory slots, so a thread that reads elements written before it was
/// handed the array may go on reading while the owner grows it.
template <class T, unsigned ChunkBits, unsigned BlockBits, unsigned TopBits>
class StableChunks {
    static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>,
                  "chunks hold plain bytes that are written before they are read");

public:
    static constexpr std::size_t kChunk = std::size_t{1} << ChunkBits;
    static constexpr std::size_t kCapacity = std::size_t{1} << (ChunkBits + BlockBits + TopBits);

    StableChunks() : top_(new std::atomic<Block*>[std::size_t{1} << TopBits]) {}
    ~StableChunks()
    {
        for (std::size_t t = 0; t < (std::size_t{1} << TopBits); ++t) {
            Block* block = top_[t].load(std::memory_order_relaxed);
            if (!block)
                continue;
            for (std::size_t b = 0; b < (std::size_t{1} << BlockBits); ++b)
                delete[] block->chunks[b].load(std::memory_order_relaxed);
            delete block;
        }
    }
    StableChunks(const StableChunks&) = delete;
    StableChunks& operator=(const StableChunks&) = delete;

    /// Element @p i; its chunk must exist (reserve).
    T& operator[](std::size_t i) { return chunk(i)[i & (kChunk - 1)]; }
    const T& operator[](std::size_t i) const { return chunk(i)[i & (kChunk - 1)]; }
    /// Pointer to element @p i; elements up to the end of its chunk follow it.
    const T* data(std::size_t i) const { return &(*this)[i]; }
    T* data(std::size_t i) { return &(*this)[i]; }

    /// Makes sure the chunk holding element @p i exists (owner only).
    void reserve(std::size_t i)
    {
        std::atomic<Block*>& slot = top_[i >> (ChunkBits + BlockBits)];
        Block* block = slot.load(std::memory_order_acquire);
        if (!block) {
            block = new Block;
            bytes_ += sizeof(Block);
            slot.store(block, std::memory_order_release);
        }
        std::atomic<T*>& chunkSlot = block->chunks[(i >> ChunkBits) & ((std::size_t{1} << BlockBits) - 1)];
        if (!chunkSlot.load(std::memory_order_acquire)) {
            // Left uninitialised: every slot is written before anyone reads
            // it, and zeroing would fault in each page a second time.
            chunkSlot.store(new T[kChunk], std::memory_order_release);
            bytes_ += kChunk * sizeof(T);
        }
    }

    /// Bytes allocated, directories included.
    std::size_t bytes() const { return bytes_ + (std::size_t{1} << TopBits) * sizeof(std::atomic<Block*>); }

private:
    struct Block {
        std::atomic<T*> chunks[std::size_t{1} << BlockBits] = {};
    };
    T* chunk(std::size_t i) const
    {
        Block* block = top_[i >> (ChunkBits + BlockBits)].load(std::memory_order_acquire);
        return block->chunks[(i >> ChunkBits) & ((std::size_t{1} << BlockBits) - 1)].load(std::memory_order_acquire);
    }

    std::unique_ptr<std::atomic<Block*>[]> top_;
    std::size_t bytes_ = 0;
};
