#pragma once
// A table asked for every name or link of a page, for some thousands of keys: open addressing
// in one block costs a fraction of a general hash. The caller hashes its keys.

#include <QtGlobal>
#include <algorithm>
#include <bit>
#include <utility>
#include <vector>

template <typename Key, typename Value> class TFlatTable {
public:
    explicit TFlatTable(size_t expected = 8) { Resize(std::bit_ceil(2 * expected + 2)); }

    // The value kept for `key`, default-made when it is new, and whether it is.
    std::pair<Value&, bool> Insert(const Key& key, size_t hash) {
        if (2 * (FCount + 1) > FSlots.size())
            Grow();
        for (size_t k = Start(hash);; k = (k + 1) & (FSlots.size() - 1)) {
            TSlot& slot = FSlots[k];
            if (!slot.Used) {
                slot = {key, Value{}, hash, true};
                ++FCount;
                return {slot.Kept, true};
            }
            if (slot.Hash == hash && slot.Of == key)
                return {slot.Kept, false};
        }
    }

private:
    struct TSlot {
        Key Of{};
        Value Kept{};
        size_t Hash = 0;
        bool Used = false;
    };

    size_t Start(size_t hash) const {
        return size_t((quint64(hash) * 0x9E3779B97F4A7C15ull) >> FShift);
    }
    void Resize(size_t size) {
        FSlots = std::vector<TSlot>(size);
        FShift = 64 - std::countr_zero(size);
    }
    void Grow() {
        std::vector<TSlot> old = std::move(FSlots);
        Resize(2 * old.size());
        for (TSlot& slot : old) {
            if (!slot.Used)
                continue;
            size_t k = Start(slot.Hash);
            while (FSlots[k].Used)
                k = (k + 1) & (FSlots.size() - 1);
            FSlots[k] = std::move(slot);
        }
    }

    std::vector<TSlot> FSlots; // a power of two, never more than half full
    size_t FCount = 0;
    int FShift = 64;
};
