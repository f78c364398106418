#include "device/IdentifierTable.h"

#include <QChar>
#include <QHashFunctions>

namespace {

constexpr std::size_t FirstSize = 64;

// The low bits pick the slot, so every input bit has to reach them.
std::uint32_t Mix(std::uint32_t hash)
{
    hash ^= hash >> 16;
    hash *= 0x85EBCA6Bu;
    hash ^= hash >> 13;
    hash *= 0xC2B2AE35u;
    hash ^= hash >> 16;
    return hash;
}

char32_t Folded(char32_t c)
{
    if (c < 0x80)
        return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
    return QChar::toCaseFolded(c);
}

} // namespace

std::uint32_t TIdentifierTable::ProcessSeed()
{
    return std::uint32_t(std::size_t(QHashSeed::globalSeed()));
}

std::uint32_t TIdentifierTable::Hash(QStringView id, Qt::CaseSensitivity sensitivity, std::uint32_t seed)
{
    std::uint32_t hash = 2166136261u ^ seed;
    const qsizetype size = id.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = id[i].unicode();
        if (sensitivity == Qt::CaseInsensitive) {
            if (QChar::isHighSurrogate(c) && i + 1 < size && id[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), id[++i].unicode());
            c = Folded(c);
        }
        hash = (hash ^ std::uint32_t(c)) * 16777619u;
    }
    return Mix(hash);
}

void TIdentifierTable::Insert(std::uint32_t hash, int index)
{
    if (std::size_t(FCount + 1) * 2 > FSlots.size())
        Grow();
    Place(hash, index);
    ++FCount;
}

void TIdentifierTable::Clear()
{
    FSlots = std::vector<TSlot>();
    FCount = 0;
    FSeed = ProcessSeed();
}

void TIdentifierTable::Place(std::uint32_t hash, int index)
{
    const std::size_t mask = FSlots.size() - 1;
    std::size_t slot = hash & mask;
    while (FSlots[slot].Index >= 0)
        slot = (slot + 1) & mask;
    FSlots[slot] = TSlot{hash, index};
}

void TIdentifierTable::Grow()
{
    std::vector<TSlot> old = std::move(FSlots);
    FSlots.assign(old.empty() ? FirstSize : old.size() * 2, TSlot());
    for (const TSlot &entry : old)
        if (entry.Index >= 0)
            Place(entry.Hash, entry.Index);
}
