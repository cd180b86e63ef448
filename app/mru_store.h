// The store of recently used values: QSettings("TEVRA", "Quorvel"), group "MRU". Value names are
// a kind word and a two-digit hexadecimal index: comport00, modelcombo00, modelcombo01 ...
#pragma once

#include <QString>

namespace quorvel::app {

enum class MruKind : int { ComPort = 1, ModelCombo = 2 };

// "comport00", "modelcombo1F"; empty for an unknown kind.
QString MruValueName(int kind, int index);

// The stored text, or empty when absent or the kind is unknown.
QString MruRead(int kind, int index);
// False when the kind is unknown or the store cannot be written.
bool MruWrite(int kind, int index, const QString& text);
// True when the value existed and was deleted.
bool MruDelete(int kind, int index);

// The COM port index kept in comport00 (0 = COM1), or -1 when none is kept or it is not a number.
int StoredComPortIndex();
void StoreComPortIndex(int index);

}  // namespace quorvel::app
