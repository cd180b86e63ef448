// The recent-models list in the registry store.
#include "app/model_list_store.h"

#include "app/mru_store.h"

namespace quorvel::app {

namespace {

constexpr int kKind = static_cast<int>(MruKind::ModelCombo);
// A stored value was read into 60 bytes: 29 wide characters and the terminator.
constexpr qsizetype kStoredChars = 29;
// Value names carry at least two hexadecimal digits; no list holds more than this.
constexpr int kMaxPositions = 0x10000;

// The hexadecimal number at the start of text: digits up to the first other character, none
// giving 0; the value keeps its low 32 bits.
std::uint32_t HexPrefix(QStringView text) {
    std::uint32_t value = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const int digit = (u >= u'0' && u <= u'9')   ? u - u'0'
                          : (u >= u'A' && u <= u'F') ? u - u'A' + 10
                          : (u >= u'a' && u <= u'f') ? u - u'a' + 10
                                                     : -1;
        if (digit < 0) {
            break;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

}  // namespace

QString StoredModelText(const ModelListEntry& entry) {
    return QString::asprintf("%4.4X%8.8X%4.4X", static_cast<unsigned>(entry.feature),
                             static_cast<unsigned>(entry.attribute),
                             static_cast<unsigned>(entry.extension));
}

ModelListEntry ModelFromStoredText(const QString& stored) {
    const QStringView text = QStringView(stored).left(kStoredChars);
    ModelListEntry entry;
    if (text.size() > 12) {
        entry.extension = static_cast<std::uint16_t>(HexPrefix(text.mid(12)));
    }
    entry.attribute = HexPrefix(text.mid(4, 8));
    entry.feature = static_cast<std::uint16_t>(HexPrefix(text.left(4)));
    entry.valid = 1;
    return entry;
}

bool LoadModelList(ModelListEntry* list, std::int32_t capacity) {
    if (list == nullptr) {
        return true;
    }
    for (std::int32_t i = 0; i < capacity; ++i) {
        const QString text = MruRead(kKind, i);
        list[i] = text.isEmpty() ? ModelListEntry{} : ModelFromStoredText(text);
    }
    return true;
}

bool SaveModelList(const ModelListEntry* list, std::int32_t count) {
    for (int i = 0; i < kMaxPositions && MruDelete(kKind, i); ++i) {
    }
    if (list == nullptr) {
        return true;
    }
    for (std::int32_t i = 0; i < count && list[i].valid != 0; ++i) {
        if (!MruWrite(kKind, i, StoredModelText(list[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace quorvel::app
