// The label names of one program, numbered in the order they are first seen.
//
// Compiled programs hold millions of labels and name one on almost every line, so the table
// is open-addressed over one flat array, and the names share one text store, instead of a
// node and a string allocation per label.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace koru {

class LabelTable {
  public:
    LabelTable();

    // Prepares room for about this many labels.
    void reserve(std::size_t labels);

    // The number of the name, adding it when it is new.
    std::uint32_t number(std::string_view name);

    // The number of the name, or `absent` when it was never added.
    static constexpr std::uint32_t absent = 0xFFFFFFFFu;
    std::uint32_t find(std::string_view name) const;

    std::string_view name(std::uint32_t number) const;
    std::size_t size() const { return starts_.size() - 1; }

  private:
    static std::uint64_t hash(std::string_view name);
    void grow();
    std::size_t slotOf(std::string_view name, std::uint64_t hashValue) const;

    std::string text_;                 // all names, one after the other
    std::vector<std::size_t> starts_;  // name n is text_[starts_[n], starts_[n + 1])
    // A slot keeps part of the name's hash beside the number, in the same cache line, so that
    // most mismatches are rejected without reading the name.
    struct Slot {
        std::uint32_t entry = 0;  // label number + 1, or 0 for an empty slot
        std::uint32_t check = 0;  // the high half of the name's hash
    };
    std::vector<Slot> slots_;
};

}  // namespace koru
