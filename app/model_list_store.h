// The recent-models list in the registry store: one value per model, modelcombo00 onward, each
// holding the three words as "%4.4X%8.8X%4.4X". The model dialog reaches it through ModelOps.
#pragma once

#include <QString>
#include <cstdint>

#include "common/model_ops.h"

namespace quorvel::app {

// Reads positions 0..capacity-1. A missing value gives a zero entry with the valid flag clear.
// Always true.
bool LoadModelList(ModelListEntry* list, std::int32_t capacity);

// Deletes the stored values from position 0 upwards until one is missing, then writes the
// leading valid entries (at most count) from position 0. False when a write fails.
bool SaveModelList(const ModelListEntry* list, std::int32_t count);

// The stored text of an entry, and an entry from a stored text (valid set): the feature word
// from characters 0..3, the attribute word from 4..11 and, when the text is longer than 12
// characters, the extension word from character 12 on, each as hexadecimal.
QString StoredModelText(const ModelListEntry& entry);
ModelListEntry ModelFromStoredText(const QString& text);

}  // namespace quorvel::app
