// Recently used values in the user's Quorvel settings.
#include "app/mru_store.h"

#include <QSettings>

namespace quorvel::app {

namespace {

constexpr char kOrganisation[] = "TEVRA";
constexpr char kApplication[] = "Quorvel";
constexpr char kGroup[] = "MRU";

QString Key(const QString& name) {
    return QString::fromLatin1(kGroup) + u'/' + name;
}

}  // namespace

QString MruValueName(int kind, int index) {
    const char* word = kind == static_cast<int>(MruKind::ComPort)      ? "comport"
                       : kind == static_cast<int>(MruKind::ModelCombo) ? "modelcombo"
                                                                       : nullptr;
    if (word == nullptr) {
        return {};
    }
    return QString::asprintf("%s%2.2X", word, static_cast<unsigned>(index));
}

QString MruRead(int kind, int index) {
    const QString name = MruValueName(kind, index);
    if (name.isEmpty()) {
        return {};
    }
    QSettings settings(kOrganisation, kApplication);
    return settings.value(Key(name)).toString();
}

bool MruWrite(int kind, int index, const QString& text) {
    const QString name = MruValueName(kind, index);
    if (name.isEmpty()) {
        return false;
    }
    QSettings settings(kOrganisation, kApplication);
    settings.setValue(Key(name), text);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool MruDelete(int kind, int index) {
    const QString name = MruValueName(kind, index);
    if (name.isEmpty()) {
        return false;
    }
    QSettings settings(kOrganisation, kApplication);
    if (!settings.contains(Key(name))) {
        return false;
    }
    settings.remove(Key(name));
    settings.sync();
    return true;
}

int StoredComPortIndex() {
    // The value was kept in at most 8 bytes: three digits and the terminator.
    const QString text = MruRead(static_cast<int>(MruKind::ComPort), 0).left(3);
    bool ok = false;
    const int index = text.toInt(&ok);
    return ok && index >= 0 ? index : -1;
}

void StoreComPortIndex(int index) {
    if (index >= 0 && index <= 999) {
        MruWrite(static_cast<int>(MruKind::ComPort), 0, QString::number(index));
    }
}

}  // namespace quorvel::app
