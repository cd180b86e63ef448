// The model dialog's working list.
#include "dialogs/logic/model_list.h"

#include <algorithm>

namespace quorvel::dialogs {

void WorkingModelList::load(const ModelListEntry* list, int capacity, const Encoder& encode) {
    entries_.fill(WorkingModel{});
    count_ = 0;
    if (list == nullptr) {
        return;
    }
    for (int i = 0; i < capacity && count_ < kWorkingListCapacity && list[i].valid != 0; ++i) {
        WorkingModel& m = entries_[Index(count_++)];
        m.words = ModelWords{list[i].feature, list[i].attribute, list[i].extension};
        m.text = encode ? encode(m.words) : std::u16string();
        m.text.resize(std::min(m.text.size(), kModelStringChars));
        m.valid = true;
    }
}

AddOutcome WorkingModelList::add(const ModelWords& words, std::u16string_view text, int* position) {
    if (findWords(words) >= 0) {
        return AddOutcome::Duplicate;
    }
    if (count_ >= kWorkingListCapacity) {
        return AddOutcome::Full;
    }
    WorkingModel& m = entries_[Index(count_)];
    m.words = words;
    m.text = std::u16string(text.substr(0, kModelStringChars));
    m.valid = true;
    if (position != nullptr) {
        *position = count_;
    }
    ++count_;
    if (count_ < kWorkingListCapacity) {
        entries_[Index(count_)] = WorkingModel{};
    }
    return AddOutcome::Added;
}

bool WorkingModelList::remove(int position) {
    if (position < 0 || position >= count_) {
        return false;
    }
    std::move(entries_.begin() + position + 1, entries_.begin() + count_,
              entries_.begin() + position);
    --count_;
    entries_[Index(count_)] = WorkingModel{};
    return true;
}

int WorkingModelList::findText(std::u16string_view text) const {
    for (int i = 0; i < count_; ++i) {
        if (entries_[Index(i)].text == text) {
            return i;
        }
    }
    return -1;
}

int WorkingModelList::findWords(const ModelWords& words) const {
    for (int i = 0; i < count_; ++i) {
        if (entries_[Index(i)].words == words) {
            return i;
        }
    }
    return -1;
}

int WorkingModelList::writeBack(ModelListEntry* list, int capacity) const {
    if (list == nullptr || capacity <= 0) {
        return 0;
    }
    const int n = std::min(count_, capacity);
    for (int i = 0; i < capacity; ++i) {
        ModelListEntry& e = list[i];
        e = ModelListEntry{};
        if (i < n) {
            const ModelWords& w = entries_[Index(i)].words;
            e.feature = w.feature;
            e.attribute = w.attribute;
            e.extension = w.extension;
            e.valid = 1;
        }
    }
    return n;
}

}  // namespace quorvel::dialogs
