// Where the configuration dialog puts its controls for one PDU: the general column, a group box
// per visible circuit on the layout grid with its receptacle rows and limit rows, the window
// size and the bottom controls. Plain arithmetic over the PDU record; the dialog applies it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/config_item.h"
#include "common/model_profile.h"
#include "dialogs/halvex_api.h"

namespace quorvel::dialogs {

struct ConfigRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    int right() const { return x + w; }
    int bottom() const { return y + h; }
    bool operator==(const ConfigRect&) const = default;
};

// One row of the general column: entry `entry` of the general item table.
struct ConfigGeneralRow {
    int entry = 0;
    ConfigRect label;
    ConfigRect edit;
};

// The heads above one column of receptacle rows.
struct ConfigColumnHeads {
    ConfigRect name, onDelay, resetDelay, powerOn;  // the last three only on switched PDUs
};

struct ConfigVoltageRows {
    int input = 0;  // voltage input 0 or 1 (cCirc1.. and cCirc2..)
    ConfigRect minLabel, minEdit, maxLabel, maxEdit;
};

struct ConfigCircuitGroup {
    int circuit = 0;  // 0..5
    int gridColumn = 0;
    int gridRow = 0;
    int columns = 1;        // receptacle columns
    int rowsPerColumn = 0;  // receptacle rows down each column
    ConfigRect box;
    std::vector<ConfigColumnHeads> heads;  // one per receptacle column; none without rows
    ConfigRect maxCurrentLabel, maxCurrentEdit;
    bool lockCurrent = false;
    ConfigRect lockLabel, lockEdit;
    std::vector<ConfigVoltageRows> voltages;
};

// One receptacle row shown in its circuit's group.
struct ConfigReceptacleRow {
    int row = 0;  // receptacle row 0..47
    int circuit = 0;
    ConfigRect label, name, onDelay, resetDelay, powerOn;
};

struct ConfigBottomControls {
    bool deviceButtons = false;  // Format, Set Defaults, Reset Net (mode 0 only)
    ConfigRect progress, format, setDefaults, resetNet, clear, load, save, ok;
    // Import… and Export… of configuration files, in a row of their own below Load and Save.
    ConfigRect importFile, exportFile;
};

struct ConfigLayout {
    int width = 0;  // the window's client area
    int height = 0;
    // The fields (general column and groups) lie on a page. When it is larger than the window
    // allows, it scrolls inside `viewport` above the bottom controls; otherwise the page is the
    // whole window and `viewport` covers it.
    bool scrolls = false;
    int pageWidth = 0;
    int pageHeight = 0;
    ConfigRect viewport;
    int generalEnd = 0;  // where the general column ends
    std::vector<ConfigGeneralRow> general;
    std::array<ConfigRect, 5> netOptions{};  // AutoIP, Hosts, WEB, SWU, C
    std::vector<ConfigCircuitGroup> groups;
    std::vector<ConfigReceptacleRow> receptacles;
    ConfigBottomControls bottom;
};

// Grid constants the tests check against.
constexpr int kGeneralLabelX = 20;
constexpr int kGeneralEditX = 144;
constexpr int kRowStep = 24;
constexpr int kGroupsX = 280;
constexpr int kGroupsY = 20;
constexpr int kGridGap = 8;
constexpr int kMinWidth = 620;
constexpr int kMaxWidth = 1400;
constexpr int kMinHeight = 500;
constexpr int kMaxHeight = 800;

// The layout for a PDU record and table mode over the general item table.
QUORVEL_HALVEX_API ConfigLayout ComputeConfigLayout(const PduRecord& record, std::int32_t mode,
                                                    const ConfigItemDescriptor* generalTable);

// The receptacle rows of circuit `circuit`, in order: used rows whose current input it is.
QUORVEL_HALVEX_API std::vector<int> CircuitReceptacleRows(const PduRecord& record, int circuit);

}  // namespace quorvel::dialogs
