// The configuration dialog's fields: showing an item of the edit image, collecting the fields
// into the edit image before a save, the defaults and clearing.
//
// The dialog reads and fills the images without the block's lock: it shows an item only after
// the worker reported it (and the worker does not touch that item again in the pass), and it
// collects only while no pass runs, so neither waits for the device.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <cstring>

#include "common/config_values.h"
#include "dialogs/config_dlg.h"

namespace quorvel::dialogs {

namespace {

constexpr std::size_t kNameChars = 32;

QString text(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

std::uint16_t load16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void store16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

bool maskBit(const std::uint8_t* mask, int bit) {
    return (mask[bit / 8] >> (bit % 8)) & 1u;
}

void setMaskBit(std::uint8_t* mask, int bit, bool on) {
    const auto b = static_cast<std::uint8_t>(1u << (bit % 8));
    mask[bit / 8] = static_cast<std::uint8_t>(on ? mask[bit / 8] | b : mask[bit / 8] & ~b);
}

}  // namespace

bool CConfigDlg::protectedHidden(std::uint8_t code) const {
    return IsProtectedItem(code) && (developer_ & 1) == 0;
}

void CConfigDlg::setShown(QLineEdit* edit, const QString& shown) {
    if (edit != nullptr) {
        edit->setText(shown);
        // What the edit holds: a text longer than the edit takes is cut, and only a change the
        // operator made should count as one.
        shown_.insert(edit, edit->text());
    }
}

bool CConfigDlg::changedSinceShown(const QLineEdit* edit) const {
    const auto it = shown_.constFind(edit);
    return it == shown_.constEnd() || *it != edit->text();
}

QLineEdit* CConfigDlg::editFor(int table, int index) const {
    const auto at = static_cast<std::size_t>(index);
    switch (table) {
        case kGeneralItems:
            return at < generalEdits_.size() ? generalEdits_[at] : nullptr;
        case kCircuitItems:
            return at < circuitEdits_.size() ? circuitEdits_[at] : nullptr;
        case kReceptacleNameItems:
            return at < rows_.size() ? rows_[at].name : nullptr;
        default:
            return nullptr;
    }
}

void CConfigDlg::showTemperatures() {
    for (int w = 0; w < 2; ++w) {
        const auto at = static_cast<std::size_t>(w);
        setShown(temperatureEdits_[at], text(temperatures_.text(w)));
        temperatureLabels_[at]->setText(text(temperatures_.label(w)));
    }
}

void CConfigDlg::showItem(int table, int index) {
    const ConfigWorkerBlock& b = *run_->block;
    if (table < 0 || table >= kConfigItemTables) {
        return;
    }
    const ConfigItemDescriptor* items = run_->catalogue.table(table);
    const int n = ConfigTableEntries(items);
    if (index < 0 || index >= n) {
        return;
    }
    const ConfigItemDescriptor& d = items[index];
    if (table == kReceptacleNameItems) {
        if (ReceptacleRowUsed(record_, index) && ConfigItemInImage(d, 1)) {
            setShown(rows_[static_cast<std::size_t>(index)].name,
                     text(FormatConfigElement(kKindText, d.size, b.editImage + d.offset)));
        }
        return;
    }
    if (d.code == kItemNetOptions && ConfigItemInImage(d, 1)) {
        const std::uint16_t value = load16(b.editImage + d.offset);
        for (std::size_t k = 0; k < netBoxes_.size(); ++k) {
            netBoxes_[k]->setChecked(NetOptionChecked(value, kNetOptionBoxes[k]));
        }
        onAutoIp(netBoxes_[kNetBoxAutoIp]->isChecked());
        onCelsius(netBoxes_[kNetBoxCelsius]->isChecked());
        return;
    }
    if (d.code == kItemRecepControl) {
        for (int r = 0; r < kMaxReceptacles; ++r) {
            if (ReceptacleRowUsed(record_, r)) {
                rows_[static_cast<std::size_t>(r)].powerOn->setChecked(
                    maskBit(b.editImage + kPowerOnMaskOffset, r));
            }
        }
        return;
    }
    if (mode_ == 3) {
        showElement(table, index);
        return;
    }
    // Every element of the item the message names (a save reports single elements).
    const int first = index - d.elementIndex;
    if (first < 0 || items[first].code != d.code) {
        return;
    }
    for (int e = 0; e < items[first].count && first + e < n && items[first + e].code == d.code;
         ++e) {
        showElement(table, first + e);
    }
}

void CConfigDlg::showElement(int table, int index) {
    const ConfigItemDescriptor& d = run_->catalogue.table(table)[index];
    QLineEdit* edit = editFor(table, index);
    if (edit == nullptr || !ConfigItemInImage(d, 1)) {
        return;
    }
    const std::uint8_t* e = run_->block->editImage + d.offset;
    if (d.code == kItemEnvironmentLimits) {
        if (d.elementIndex < 2) {
            // The PDU stores Fahrenheit; the edit shows the unit the "C" box chose.
            temperatures_.load(d.elementIndex, load16(e));
            setShown(edit, text(temperatures_.text(d.elementIndex)));
        } else {
            setShown(edit, text(FormatHumidity(load16(e))));
        }
        return;
    }
    if (d.kind == kKindText && protectedHidden(d.code)) {
        setShown(edit, text(kMaskedText));
        return;
    }
    setShown(edit, text(FormatConfigElement(d.kind, d.size, e)));
}

QString CConfigDlg::fieldName(int table, int index) const {
    const ConfigItemDescriptor& d = run_->catalogue.table(table)[index];
    QString label = text(d.label != nullptr ? d.label : u"");
    if (table == kGeneralItems && generalLabels_[static_cast<std::size_t>(index)] != nullptr) {
        label = generalLabels_[static_cast<std::size_t>(index)]->text();  // in the unit shown
    }
    if (label.endsWith(u':')) {
        label.chop(1);
    }
    if (table != kCircuitItems) {
        return label;
    }
    // Circuit limits are named by their group, delays by their receptacle row.
    const auto within = [&label](const QString& whose) {
        return whose.trimmed().isEmpty() ? label : whose.trimmed() + u' ' + label;
    };
    const auto e = static_cast<std::size_t>(d.elementIndex);
    switch (d.code) {
        case kItemMaxCurrents:
        case kItemLockCurrents:
            return within(circuits_[e].box->title());
        case kItemMinVoltages:
        case kItemMaxVoltages: {
            const int c = VoltageInputCircuit(record_, d.elementIndex);
            return within(c >= 0 ? circuits_[static_cast<std::size_t>(c)].box->title() : QString());
        }
        case kItemOnDelays:
        case kItemResetDelays:
            return within(rows_[e].label->text());
        default:
            return label;
    }
}

QStringList CConfigDlg::switchTemperatureUnit(bool celsius, std::array<bool, 2>* refusedOut) {
    const bool shownCelsius = temperatures_.celsius();
    std::array<std::u16string, 2> typed;
    std::array<std::u16string, 2> labels;
    for (std::size_t w = 0; w < 2; ++w) {
        typed[w] = temperatureEdits_[w]->text().toStdU16String();
        labels[w] = temperatures_.label(static_cast<int>(w));
        labels[w].pop_back();  // the colon
    }
    const std::array<bool, 2> refused = temperatures_.switchUnit(celsius, typed);
    QStringList out;
    for (std::size_t w = 0; w < 2; ++w) {
        if (refused[w]) {
            out << text(RefusedEntryText(labels[w], typed[w], TemperatureEntryRange(shownCelsius)));
        }
    }
    showTemperatures();
    if (refusedOut != nullptr) {
        *refusedOut = refused;
    }
    return out;
}

QStringList CConfigDlg::collect() {
    progress_->setValue(0);
    QStringList refused;
    std::uint8_t* image = run_->block->editImage;
    const std::uint8_t* device = run_->block->deviceImage;
    const auto parse = [this, image, device, &refused](int table, int index, const QLineEdit* edit,
                                                       std::size_t maxChars) {
        const ConfigItemDescriptor& d = run_->catalogue.table(table)[index];
        // An edit whose text is still what the dialog showed keeps the image's value, so a
        // value the display rounds is never written back rounded.
        if (edit == nullptr || !changedSinceShown(edit) || !ConfigItemInImage(d, 1)) {
            return;
        }
        const std::u16string typed = edit->text().toStdU16String();
        EntryRange range;
        if (ConfigEntryRange(d.kind, range) && !ConfigEntryFits(d.kind, typed)) {
            // Nothing is written for the field: its element keeps what the PDU holds.
            refused << text(
                RefusedEntryText(fieldName(table, index).toStdU16String(), typed, range));
            std::memcpy(image + d.offset, device + d.offset, d.size);
            return;
        }
        ParseConfigElement(d.kind, d.size, typed, image + d.offset, maxChars);
    };

    const ConfigItemDescriptor* general = run_->catalogue.table(kGeneralItems);
    for (int i = 0, n = ConfigTableEntries(general); i < n; ++i) {
        const ConfigItemDescriptor& d = general[i];
        // The MAC address is never editable, so it is never written either.
        if (protectedHidden(d.code) || d.code == kItemMacAddress) {
            continue;
        }
        if (d.code == kItemNetOptions && ConfigItemInImage(d, 1)) {
            // The boxes set their own bits; bits without a box keep what the PDU holds.
            std::uint16_t value = load16(image + d.offset);
            for (std::size_t k = 0; k < netBoxes_.size(); ++k) {
                value = WithNetOption(value, kNetOptionBoxes[k], netBoxes_[k]->isChecked());
            }
            store16(image + d.offset, value);
        } else if (d.code == kItemEnvironmentLimits && d.elementIndex < 2) {
            continue;  // below, from the Fahrenheit state
        } else {
            parse(kGeneralItems, i, generalEdits_[static_cast<std::size_t>(i)],
                  TerminatedTextChars(d.size));
        }
    }
    // Temperature limits: a typed limit is read in the unit shown; the PDU stores Fahrenheit.
    // A refused limit goes back to what the PDU holds.
    std::array<bool, 2> limitRefused{};
    refused << switchTemperatureUnit(temperatures_.celsius(), &limitRefused);
    for (int w = 0; w < 2; ++w) {
        const int i = FindConfigItem(general, kItemEnvironmentLimits, static_cast<std::uint8_t>(w));
        if (i < 0 || !ConfigItemInImage(general[i], 1)) {
            continue;
        }
        std::uint8_t* element = image + general[i].offset;
        if (limitRefused[static_cast<std::size_t>(w)]) {
            std::memcpy(element, device + general[i].offset, 2);
            temperatures_.load(w, load16(element));
        }
        store16(element, temperatures_.fahrenheit(w));
    }
    showTemperatures();

    const bool switched = (record_.featureWord & kFeatureSwitched) != 0;
    const ConfigItemDescriptor* names = run_->catalogue.table(kReceptacleNameItems);
    for (int r = 0; r < kMaxReceptacles && r < ConfigTableEntries(names); ++r) {
        if (!ReceptacleRowUsed(record_, r)) {
            continue;
        }
        const ReceptacleWidgets& row = rows_[static_cast<std::size_t>(r)];
        parse(kReceptacleNameItems, r, row.name, kNameChars);
        // Power-on bits of the rows in use; the bits of other rows keep what the PDU holds.
        if (switched) {
            setMaskBit(image + kPowerOnMaskOffset, r, row.powerOn->isChecked());
        }
    }

    const ConfigItemDescriptor* circuit = run_->catalogue.table(kCircuitItems);
    for (int j = 0, n = ConfigTableEntries(circuit); j < n; ++j) {
        const ConfigItemDescriptor& d = circuit[j];
        bool wanted = false;
        switch (d.code) {
            case kItemMaxCurrents:
                wanted = true;
                break;
            case kItemLockCurrents:
                wanted = switched;
                break;
            case kItemOnDelays:
            case kItemResetDelays:
                wanted = switched && ReceptacleRowUsed(record_, d.elementIndex);
                break;
            case kItemMinVoltages:
            case kItemMaxVoltages:
                wanted = (record_.featureWord & kFeatureVoltageInputs) != 0;
                break;
            default:
                break;
        }
        if (wanted) {
            parse(kCircuitItems, j, circuitEdits_[static_cast<std::size_t>(j)], 0);
        }
    }
    return refused;
}

void CConfigDlg::fillDefaults() {
    progress_->setValue(0);
    // The boxes first: unchecking "C" switches the limits back to Fahrenheit.
    for (std::size_t k = 0; k < netBoxes_.size(); ++k) {
        netBoxes_[k]->setChecked(kNetOptionBoxes[k].defaultChecked);
    }
    const ConfigItemDescriptor* general = run_->catalogue.table(kGeneralItems);
    for (int i = 0, n = ConfigTableEntries(general); i < n; ++i) {
        const ConfigItemDescriptor& d = general[i];
        QLineEdit* edit = generalEdits_[static_cast<std::size_t>(i)];
        if (edit == nullptr || d.code == kItemMacAddress || protectedHidden(d.code)) {
            continue;
        }
        edit->setText(text(d.defaultText != nullptr ? d.defaultText : u""));
        if (d.code == kItemEnvironmentLimits && d.elementIndex < 2) {
            temperatures_.edited(d.elementIndex);
        }
    }
    for (int r = 0; r < kMaxReceptacles; ++r) {
        if (!ReceptacleRowUsed(record_, r)) {
            continue;
        }
        ReceptacleWidgets& row = rows_[static_cast<std::size_t>(r)];
        row.name->setText(QStringLiteral("SocketName%1").arg(record_.receptacleMap[r]));
        row.onDelay->setText(QStringLiteral("1"));
        row.resetDelay->setText(QStringLiteral("5"));
        row.powerOn->setChecked(true);
    }
    // Circuits without a rating (an invalid current code) keep their limits.
    for (int c = 0; c < kMaxCircuits; ++c) {
        const int rating = CircuitDefaultRating(record_.currentRating, c);
        if (rating > 0) {
            CircuitWidgets& w = circuits_[static_cast<std::size_t>(c)];
            w.maxCurrent->setText(QStringLiteral("%1.0").arg(rating));
            w.lockCurrent->setText(QStringLiteral("%1.5").arg(rating - 1));
        }
    }
}

void CConfigDlg::clearFields() {
    progress_->setValue(0);
    for (QCheckBox* box : netBoxes_) {
        box->setChecked(false);
    }
    const ConfigItemDescriptor* general = run_->catalogue.table(kGeneralItems);
    for (int i = 0, n = ConfigTableEntries(general); i < n; ++i) {
        const ConfigItemDescriptor& d = general[i];
        QLineEdit* edit = generalEdits_[static_cast<std::size_t>(i)];
        if (edit == nullptr || d.code == kItemMacAddress || protectedHidden(d.code)) {
            continue;
        }
        edit->clear();
        if (d.code == kItemEnvironmentLimits && d.elementIndex < 2) {
            temperatures_.edited(d.elementIndex);
        }
    }
    for (int r = 0; r < kMaxReceptacles; ++r) {
        if (!ReceptacleRowUsed(record_, r)) {
            continue;
        }
        ReceptacleWidgets& row = rows_[static_cast<std::size_t>(r)];
        row.name->clear();
        row.onDelay->clear();
        row.resetDelay->clear();
        row.powerOn->setChecked(false);
    }
    for (CircuitWidgets& c : circuits_) {
        c.maxCurrent->clear();
        c.lockCurrent->clear();
    }
    for (std::size_t v = 0; v < minVoltage_.size(); ++v) {
        minVoltage_[v]->clear();
        maxVoltage_[v]->clear();
    }
}

}  // namespace quorvel::dialogs
