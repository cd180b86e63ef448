// The model dialog's working list: up to 100 models, each with its model string and words, kept
// in the order they were added. Changes reach the caller's list only through writeBack().
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "common/model_ops.h"
#include "dialogs/halvex_api.h"
#include "dialogs/logic/model_compose.h"

namespace quorvel::dialogs {

constexpr int kWorkingListCapacity = 100;
constexpr std::size_t kModelStringChars = 63;  // longest model string kept

struct WorkingModel {
    std::u16string text;  // the model string
    ModelWords words;
    bool valid = false;
};

enum class AddOutcome { Added, Duplicate, Full };

class QUORVEL_HALVEX_API WorkingModelList {
  public:
    using Encoder = std::function<std::u16string(const ModelWords&)>;

    // Takes the caller's leading valid entries (at most 100); encode gives each one's string.
    void load(const ModelListEntry* list, int capacity, const Encoder& encode);

    int count() const { return count_; }
    const WorkingModel& at(int position) const { return entries_.at(Index(position)); }
    // The words of a listed model, to be adjusted in place (stamping).
    ModelWords& wordsAt(int position) { return entries_.at(Index(position)).words; }

    // Stores the model in the first free place unless a model with the same words is listed or
    // all places are used. position receives the place when added.
    AddOutcome add(const ModelWords& words, std::u16string_view text, int* position = nullptr);
    // Removes the model at position; the later ones move up one place. False when out of range.
    bool remove(int position);

    // Position of the model with this string or these words, or -1.
    int findText(std::u16string_view text) const;
    int findWords(const ModelWords& words) const;

    // Writes the list into the caller's array: valid entries first, the rest of the capacity
    // zeroed. Returns the number of valid entries written.
    int writeBack(ModelListEntry* list, int capacity) const;

  private:
    static std::size_t Index(int position) { return static_cast<std::size_t>(position); }

    std::array<WorkingModel, kWorkingListCapacity> entries_{};
    int count_ = 0;
};

}  // namespace quorvel::dialogs
