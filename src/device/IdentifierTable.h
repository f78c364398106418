#pragma once

#include <QStringView>

#include <cstdint>
#include <vector>

// Object indexes found by a hash of their identifier. The identifiers stay
// with their owner, which the caller's predicate asks, so a tree of a million
// objects costs eight bytes a slot here instead of a string per entry; two
// identifiers of the same hash are told apart by that predicate.
class TIdentifierTable
{
public:
    // Case-insensitive hashes fold each code point as QString's
    // case-insensitive comparison does, so equal texts hash alike.
    static std::uint32_t Hash(QStringView id, Qt::CaseSensitivity sensitivity, std::uint32_t seed);
    // With this table's seed: Qt's hash seed of the process when the table
    // was last emptied, so a device that picks its identifiers cannot know
    // which of them share a slot.
    std::uint32_t Hash(QStringView id, Qt::CaseSensitivity sensitivity) const { return Hash(id, sensitivity, FSeed); }

    // The first inserted index of that hash that `matches` accepts, else -1.
    template <typename TMatches> int Find(std::uint32_t hash, TMatches matches) const
    {
        if (FSlots.empty())
            return -1;
        const std::size_t mask = FSlots.size() - 1;
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            const TSlot &entry = FSlots[slot];
            if (entry.Index < 0)
                return -1;
            if (entry.Hash == hash && matches(entry.Index))
                return entry.Index;
        }
    }

    // Does not look for the index first: the caller finds before it inserts.
    void Insert(std::uint32_t hash, int index);
    void Clear();
    int Count() const { return FCount; }

private:
    struct TSlot
    {
        std::uint32_t Hash = 0;
        std::int32_t Index = -1;
    };

    void Place(std::uint32_t hash, int index);
    void Grow();

    std::vector<TSlot> FSlots; // a power of two in size, at most half full
    int FCount = 0;
    std::uint32_t FSeed = ProcessSeed();

    static std::uint32_t ProcessSeed();
};
