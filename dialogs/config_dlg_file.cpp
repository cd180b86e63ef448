// The configuration dialog's Export… and Import…: the fields as a configuration file, and a
// file's values entered into the fields as if typed (Save writes them). The format and the
// import rules are those of quorvelctl config export and import.
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>

#include "common/config_file.h"
#include "common/config_values.h"
#include "dialogs/config_dlg.h"
#include "dialogs/prompter.h"

namespace quorvel::dialogs {

namespace {

const QString kExportTitle = QStringLiteral("Export");
const QString kImportTitle = QStringLiteral("Import");
const QString kFileFilter = QStringLiteral("Configuration files (*.json);;All files (*)");
constexpr qint64 kLargestFile = 1 << 20;  // a configuration file is a few kilobytes

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

std::string narrow(const QString& s) {
    return s.toStdString();
}

}  // namespace

QString CConfigDlg::ChooseWithFileDialog(bool save, QWidget* parent) {
    return save ? QFileDialog::getSaveFileName(parent, kExportTitle, QString(), kFileFilter)
                : QFileDialog::getOpenFileName(parent, kImportTitle, QString(), kFileFilter);
}

nlohmann::ordered_json CConfigDlg::fieldValues() const {
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    const ConfigTables tables = run_->block->itemTables;
    for (int t : {kGeneralItems, kReceptacleNameItems, kCircuitItems}) {
        for (int i = 0, n = ConfigTableEntries(tables[t]); i < n; ++i) {
            if (!ConfigEntryShown(run_->record, tables, t, i)) {
                continue;
            }
            const ConfigItemDescriptor& d = tables[t][i];
            if (t == kGeneralItems && d.code == kItemNetOptions) {
                nlohmann::ordered_json boxes = nlohmann::ordered_json::object();
                for (std::size_t k = 0; k < netBoxes_.size(); ++k) {
                    boxes[kNetOptionBoxes[k].name] = netBoxes_[k]->isChecked();
                }
                out[d.keyName] = boxes;
            } else if (t == kCircuitItems && d.code == kItemRecepControl) {
                nlohmann::ordered_json on = nlohmann::ordered_json::object();
                for (int r = 0; r < kMaxReceptacles; ++r) {
                    if (ReceptacleRowShown(run_->record, r)) {
                        on[std::to_string(r + 1)] =
                            rows_[static_cast<std::size_t>(r)].powerOn->isChecked();
                    }
                }
                out[d.keyName] = on;
            } else if (const QLineEdit* edit = editFor(t, i)) {
                out[d.keyName] = narrow(edit->text());
            }
        }
    }
    return out;
}

void CConfigDlg::fillFromFile(const nlohmann::ordered_json& items,
                              const std::vector<std::string>& keys) {
    const ConfigTables tables = run_->block->itemTables;
    for (const std::string& key : keys) {
        int t = 0;
        int i = 0;
        if (!FindConfigKey(tables, key, t, i)) {
            continue;
        }
        const ConfigItemDescriptor& d = tables[t][i];
        const nlohmann::ordered_json& value = items[key];
        if (t == kGeneralItems && d.code == kItemNetOptions) {
            // First in the list: the "C" box switches the limits typed after it.
            for (std::size_t k = 0; k < netBoxes_.size(); ++k) {
                const auto state = value.find(kNetOptionBoxes[k].name);
                if (state != value.end()) {
                    netBoxes_[k]->setChecked(state->get<bool>());
                }
            }
        } else if (t == kCircuitItems && d.code == kItemRecepControl) {
            for (int r = 0; r < kMaxReceptacles; ++r) {
                const auto state = value.find(std::to_string(r + 1));
                if (state != value.end() && ReceptacleRowShown(run_->record, r)) {
                    rows_[static_cast<std::size_t>(r)].powerOn->setChecked(state->get<bool>());
                }
            }
        } else if (QLineEdit* edit = editFor(t, i)) {
            edit->setText(text(value.get<std::string>()));
            if (t == kGeneralItems && d.code == kItemEnvironmentLimits && d.elementIndex < 2) {
                temperatures_.edited(d.elementIndex);
            }
        }
    }
}

void CConfigDlg::onExport() {
    const QString path = chooseFile_(true, this);
    if (path.isEmpty()) {
        return;
    }
    const ConfigFile file = MakeConfigFile(run_->record, fieldValues(), (developer_ & 1) != 0);
    QSaveFile out(path);
    const std::string bytes = WriteConfigFile(file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !out.commit()) {
        DialogPrompter().warning(
            this, kExportTitle, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
    }
}

void CConfigDlg::onImport() {
    const QString path = chooseFile_(false, this);
    if (path.isEmpty()) {
        return;
    }
    QFile in(path);
    ConfigFile file;
    std::string error;
    if (!in.open(QIODevice::ReadOnly)) {
        error = "cannot read it: " + narrow(in.errorString());
    } else if (in.size() > kLargestFile) {
        error = "too large for a configuration file";
    } else {
        const QByteArray bytes = in.readAll();
        ReadConfigFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                       file, error);
    }
    if (!error.empty()) {
        DialogPrompter().warning(this, kImportTitle, path + QStringLiteral(": ") + text(error));
        return;
    }
    const nlohmann::ordered_json shown = fieldValues();
    const ConfigImportPlan plan = PlanConfigImport(file, ConfigOriginOf(run_->record), shown,
                                                   run_->block->itemTables, (developer_ & 1) != 0);
    if (!plan.otherLayout.empty() &&
        DialogPrompter().question(this, kImportTitle,
                                  path + QStringLiteral(": ") + text(plan.otherLayout) +
                                      QStringLiteral(".\n\nImport the items this PDU has?"),
                                  Buttons::YesNo) != Answer::Yes) {
        return;
    }
    if (!plan.refused.empty()) {
        QStringList lines;
        for (const std::string& r : plan.refused) {
            lines << text(r);
        }
        DialogPrompter().warning(this, kImportTitle,
                                 lines.join(u'\n') + QStringLiteral("\n\nNothing was imported."));
        return;
    }
    fillFromFile(file.items, plan.apply);
    save_->setEnabled(true);
    QString report = QStringLiteral("%1 field(s) changed from %2; Save writes them to the PDU.")
                         .arg(plan.apply.size())
                         .arg(path);
    if (!plan.skipped.empty()) {
        report += QStringLiteral("\n\nNot imported:");
        for (const auto& [key, why] : plan.skipped) {
            report += QStringLiteral("\n") + text(key) + QStringLiteral(" (") + text(why) +
                      QStringLiteral(")");
        }
    }
    DialogPrompter().information(this, kImportTitle, report);
}

}  // namespace quorvel::dialogs
