// Open addressing with linear probing; the table doubles when it is half full.
#include "labels.hpp"

#include <utility>

namespace koru {

LabelTable::LabelTable() : starts_{0}, slots_(1024) {}

void LabelTable::reserve(std::size_t labels) {
    while (slots_.size() < 2 * labels) grow();
}

std::uint32_t LabelTable::number(std::string_view name) {
    std::uint64_t hashValue = hash(name);
    std::size_t slot = slotOf(name, hashValue);
    if (slots_[slot].entry != 0) return slots_[slot].entry - 1;
    std::uint32_t added = static_cast<std::uint32_t>(size());
    text_.append(name);
    starts_.push_back(text_.size());
    slots_[slot] = {added + 1, static_cast<std::uint32_t>(hashValue >> 32)};
    if (2 * size() > slots_.size()) grow();
    return added;
}

std::uint32_t LabelTable::find(std::string_view name) const {
    const Slot& slot = slots_[slotOf(name, hash(name))];
    return slot.entry == 0 ? absent : slot.entry - 1;
}

std::string_view LabelTable::name(std::uint32_t number) const {
    return std::string_view(text_).substr(starts_[number], starts_[number + 1] - starts_[number]);
}

// FNV-1a, which spreads the near-identical names of compiled code ("L12", "L13") well.
std::uint64_t LabelTable::hash(std::string_view name) {
    std::uint64_t value = 14695981039346656037ull;
    for (char c : name) {
        value ^= static_cast<unsigned char>(c);
        value *= 1099511628211ull;
    }
    return value;
}

// The slot that holds the name, or the empty slot where it belongs.
std::size_t LabelTable::slotOf(std::string_view name, std::uint64_t hashValue) const {
    std::size_t mask = slots_.size() - 1;
    std::uint32_t check = static_cast<std::uint32_t>(hashValue >> 32);
    for (std::size_t slot = hashValue & mask;; slot = (slot + 1) & mask) {
        const Slot& candidate = slots_[slot];
        if (candidate.entry == 0) return slot;
        if (candidate.check == check && this->name(candidate.entry - 1) == name) return slot;
    }
}

void LabelTable::grow() {
    std::vector<Slot> previous = std::move(slots_);
    slots_.assign(previous.size() * 2, Slot());
    for (const Slot& old : previous) {
        if (old.entry == 0) continue;
        std::size_t mask = slots_.size() - 1;
        std::size_t slot = hash(name(old.entry - 1)) & mask;
        while (slots_[slot].entry != 0) slot = (slot + 1) & mask;
        slots_[slot] = old;
    }
}

}  // namespace koru
