// The model dialog's actions beyond the list: MIB and bill-of-materials files, reloading the
// attribute file, the socket type information, and the device calls of Get Model and Stamp
// Model, which run on a thread of their own while the window stays live.
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <cstring>
#include <memory>
#include <utility>

#include "dialogs/get_filename_dlg.h"
#include "dialogs/logic/file_name_text.h"
#include "dialogs/logic/model_stamp.h"
#include "dialogs/model_dlg.h"
#include "dialogs/prompter.h"
#include "dialogs/sock_typ_info_dlg.h"
#include "platform/bounded_thread.h"

namespace quorvel::dialogs {

namespace {

constexpr std::size_t kFileNameBytes = 512;  // room for every character the name dialog takes
constexpr std::uint16_t kEthernetBit = 0x40;
constexpr int kDeviceCallPollMs = 20;  // how often the window looks whether a device call ended

QString FromU16(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

int Value(const QComboBox* combo) {
    return combo->currentIndex() < 0 ? kNoSelection : combo->currentData().toInt();
}

// A first-generation (KVB V1) module numbers receptacle metrics, lock currents and temperature
// traps from 4, so the MIB writer refuses one for a model of more circuits.
constexpr int kFirstGenerationMibCircuits = 3;
constexpr std::size_t kCurrentAddressMap = 10;  // six bytes of the map record, one per circuit

// The model's circuits as its profile counts them: the circuits with a current address, else
// its breakers. 0 when the attribute file lacks the series.
int CircuitCount(const ModelOps& ops, const ModelWords& w) {
    std::uint8_t kvb[kKvbMapRecordBytes] = {};
    if (ops.GetKvbMapRecord == nullptr ||
        !ops.GetKvbMapRecord(w.feature, w.attribute, w.extension, kvb, false)) {
        return 0;
    }
    int circuits = 0;
    for (std::size_t c = 0; c < 6; ++c) {
        circuits += kvb[kCurrentAddressMap + c] != 0 ? 1 : 0;
    }
    return circuits != 0 ? circuits : static_cast<int>((w.attribute >> 27) & 7u);
}

// True when the MIB writer refuses the generation for the model's circuit count.
bool TooManyCircuitsForGeneration(const ModelOps& ops, const ModelWords& w, int generation) {
    return generation < 2 && CircuitCount(ops, w) > kFirstGenerationMibCircuits;
}

}  // namespace

// Runs one device call on a thread of its own and keeps the window's events flowing until it
// ends. The call is bounded by the device operation's own tries and the dialog is disabled
// meanwhile. An operator who closes the dialog during a read does not wait for it: the call is
// left to finish on its own copies (it owns everything it touches), counts as failed, and the
// dialog closes. Once the stamp has begun writing, closing waits for the whole stamp (its
// records and the reboot question) to end.
template <typename Call>
auto CSetModelDlg::runDeviceCall(Call call) {
    using Result = decltype(call());
    if (abandoned_ && !stamping_) {
        return Result{};
    }
    auto result = std::make_shared<Result>();
    busy_ = true;
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    platform::BoundedThread worker;
    worker.start([result, call]() mutable { *result = call(); });
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kDeviceCallPollMs);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (worker.finished() || (abandoned_ && !stamping_)) {
            loop.quit();
        }
    });
    poll.start();
    loop.exec();
    const bool done = worker.finish(0);
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    busy_ = false;
    if (abandoned_ && !stamping_) {
        QTimer::singleShot(0, this, [this] { reject(); });
    }
    return done ? *result : Result{};
}

// The dialog's side of Get Model and Stamp Model: device calls off the window thread, the
// operator's answers through the prompter.
class CSetModelDlg::DevicePort : public ModelDevicePort {
  public:
    explicit DevicePort(CSetModelDlg& dlg) : dlg_(dlg), ops_(*dlg.ops_) {}

    int readVersion(VersionText& first, VersionText& second) override {
        if (ops_.ReadDeviceVersion == nullptr) {
            return 0;
        }
        auto* read = ops_.ReadDeviceVersion;
        struct Texts {
            int items = 0;
            VersionText first{}, second{};
        };
        const Texts t = dlg_.runDeviceCall([read] {
            Texts out;
            out.items = read(out.first, out.second);
            return out;
        });
        std::memcpy(first, t.first, sizeof first);
        std::memcpy(second, t.second, sizeof second);
        return t.items;
    }
    int readModel(ModelWords& words) override {
        if (ops_.ReadDeviceModel == nullptr) {
            return 0;
        }
        auto* read = ops_.ReadDeviceModel;
        const auto [items, read_] = dlg_.runDeviceCall([read, words] {
            ModelWords w = words;
            const int n = read(&w.feature, &w.attribute, &w.extension, nullptr);
            return std::pair{n, w};
        });
        words = read_;
        return items;
    }
    bool stamp(const ModelWords& words, int kind) override {
        if (ops_.StampDevice == nullptr) {
            return false;
        }
        auto* stamp = ops_.StampDevice;
        // From the first record on, the stamp is written to its end.
        dlg_.stamping_ = true;
        return dlg_.runDeviceCall([stamp, words, kind] {
            return stamp(words.feature, words.attribute, words.extension, kind);
        });
    }
    void reboot() override {
        if (ops_.RebootDevice != nullptr) {
            auto* reboot = ops_.RebootDevice;
            dlg_.runDeviceCall([reboot] {
                reboot();
                return true;
            });
        }
    }
    std::string encode(const ModelWords& words, std::size_t capacity) override {
        return dlg_.encode(words, capacity).toStdString();
    }
    bool ask(const char* title, const std::string& text) override {
        // Once the operator closed the dialog, nothing more is asked or done, but for what a
        // stamp in progress asks.
        if (dlg_.abandoned_ && !dlg_.stamping_) {
            return false;
        }
        return DialogPrompter().question(&dlg_, QString::fromLatin1(title),
                                         QString::fromStdString(text),
                                         Buttons::YesNo) == Answer::Yes;
    }
    void tell(const char* title, const std::string& text, Note note) override {
        if (dlg_.abandoned_ && !dlg_.stamping_) {
            return;
        }
        const QString t = QString::fromLatin1(title);
        const QString m = QString::fromStdString(text);
        if (note == Note::Failure) {
            DialogPrompter().warning(&dlg_, t, m);
        } else {
            DialogPrompter().information(&dlg_, t, m);
        }
    }

  private:
    CSetModelDlg& dlg_;
    const ModelOps& ops_;
};

// ---- files ----------------------------------------------------------------------------------

std::optional<QString> CSetModelDlg::AskWithFileNameDialog(bool directoryMode,
                                                           const QString& proposal, int* generation,
                                                           QWidget* parent) {
    char16_t name[kFileNameBytes / 2] = {};
    const std::u16string text = proposal.toStdU16String();
    CopyNameToBuffer(text, name, sizeof name);
    std::uint8_t result = 0;
    CGetFilenameDlg dlg(directoryMode, name, sizeof name, &result, generation, parent);
    dlg.exec();
    if (result == 0) {
        return std::nullopt;
    }
    return QString::fromUtf16(name);
}

void CSetModelDlg::onCreateMib() {
    const int position = selectedPosition();
    if (position < 0) {
        return;
    }
    const WorkingModel& m = list_->at(position);
    int generation = 2;
    const auto path =
        askFileName_(false, FromU16(m.text) + QStringLiteral(".mib"), &generation, this);
    if (!path) {
        return;
    }
    const std::u16string p = path->toStdU16String();
    const ModelWords w = m.words;
    if (ops_->WriteMib == nullptr ||
        !ops_->WriteMib(p.c_str(), w.feature, w.attribute, w.extension, generation)) {
        DialogPrompter().warning(
            this, QStringLiteral("Create MIB"),
            TooManyCircuitsForGeneration(*ops_, w, generation)
                ? QStringLiteral("A KVB V1 MIB holds at most 3 circuits and %1 has %2: no file "
                                 "was written. Choose KVB V2.")
                      .arg(FromU16(m.text))
                      .arg(CircuitCount(*ops_, w))
                : QStringLiteral("Failed creating file"));
    }
}

void CSetModelDlg::onCreateAllMibs() {
    const QString title = QStringLiteral("Create MIB files");
    if (DialogPrompter().question(
            this, title,
            QStringLiteral("Do you want to generate mib files for all the Ethernet models?"),
            Buttons::YesNo) != Answer::Yes) {
        return;
    }
    int generation = 2;
    const auto folder = askFileName_(true, QString(), &generation, this);
    if (!folder) {
        return;
    }
    QString directory = *folder;
    if (!directory.isEmpty() && !directory.endsWith(u'/')) {
        directory += u'/';
    }
    QStringList skipped;
    for (int i = 0; i < modelList_->count(); ++i) {
        const WorkingModel& m = list_->at(modelList_->itemData(i).toInt());
        if ((m.words.feature & kEthernetBit) == 0) {
            continue;
        }
        if (TooManyCircuitsForGeneration(*ops_, m.words, generation)) {
            skipped.append(FromU16(m.text));
            continue;
        }
        const std::u16string path =
            (directory + FromU16(m.text) + QStringLiteral(".mib")).toStdU16String();
        if (ops_->WriteMib == nullptr ||
            !ops_->WriteMib(path.c_str(), m.words.feature, m.words.attribute, m.words.extension,
                            generation)) {
            DialogPrompter().warning(this, title, QStringLiteral("Failed creating file"));
            return;
        }
    }
    if (!skipped.isEmpty()) {
        DialogPrompter().information(
            this, title,
            QStringLiteral("A KVB V1 MIB holds at most 3 circuits. Skipped: %1")
                .arg(skipped.join(QStringLiteral(", "))));
    }
}

void CSetModelDlg::onCreateBom() {
    const int position = selectedPosition();
    if (position < 0) {
        return;
    }
    const WorkingModel& m = list_->at(position);
    const auto path = askFileName_(false, FromU16(m.text) + QStringLiteral(".bom"), nullptr, this);
    if (!path) {
        return;
    }
    const std::u16string p = path->toStdU16String();
    if (ops_->WriteBom == nullptr ||
        !ops_->WriteBom(p.c_str(), m.words.feature, m.words.attribute, m.words.extension)) {
        DialogPrompter().warning(this, QStringLiteral("Create BOM"),
                                 QStringLiteral("Failed creating file"));
    }
}

void CSetModelDlg::onReloadAttrs() {
    if (ops_->LoadAttributes == nullptr || !ops_->LoadAttributes()) {
        DialogPrompter().warning(this, QStringLiteral("Reload Attributes"),
                                 QStringLiteral("Failed reloading PDU attributes ini file"));
    }
}

void CSetModelDlg::onSocketInfo() {
    const int series = Value(socketTypes_);
    if (series >= 0) {
        CSockTypInfoDlg dlg(series, ops_, this);
        dlg.exec();
    }
}

// ---- the device -----------------------------------------------------------------------------

void CSetModelDlg::onGetModel() {
    const int position = selectedPosition();
    const ModelWords* selected = position >= 0 ? &list_->at(position).words : nullptr;
    DevicePort port(*this);
    const GetModelResult result = RunGetModel(port, selected);
    if (result.outcome != GetModelOutcome::Read) {
        return;
    }
    const QString text = QString::fromStdString(result.text);
    const int listed = list_->findText(text.toStdU16String());
    if (listed >= 0) {
        showListed(listed);
        return;
    }
    clearListSelection();
    modelList_->setEditText(text);
    partNumber_->setText(text);
    showControls(result.words);
    add_->setEnabled(true);
}

void CSetModelDlg::onStampModel() {
    const int position = selectedPosition();
    if (position < 0 || listOnly_) {
        return;
    }
    DevicePort port(*this);
    RunStampModel(port, list_->wordsAt(position));
    stamping_ = false;
    if (abandoned_) {
        QTimer::singleShot(0, this, [this] { reject(); });
        return;
    }
    if (selectedPosition() == position) {
        codeText_->setText(QString::fromStdString(CodeText(list_->at(position).words)));
    }
}

}  // namespace quorvel::dialogs
