// The device operations the dialogs' operations tables call. Each takes the current interface
// afresh (under the console lease) before every one of its tries and fails at once when there
// is none; failures leave their message in the interface's error text.
#pragma once

#include <cstdint>
#include <string>

#include "common/config_item.h"
#include "common/model_profile.h"

namespace quorvel {

// "C 1" or "C 0".
bool SetCalibMode(bool on);
// The groups and outlets of a SwitchOutlets call that the PDU was not told.
struct SwitchesLeft {
    std::uint16_t groups = 0;
    std::uint32_t outlets = 0;
};
// Switches the outlets and (from generation 2 on) groups selected by the masks; stops at the
// first command that fails all its tries, leaving the earlier ones in effect. `left`, when
// given, receives the selected ones not sent (none after a success).
bool SwitchOutlets(const PduRecord& record, std::uint16_t groupValues, std::uint32_t outletValues,
                   std::uint16_t groupMask, std::uint32_t outletMask, SwitchesLeft* left = nullptr);
// Kind 1 formats the database ("I"), kind 2 restarts networking ("X"); other kinds send nothing.
bool DeviceDatabaseCommand(int kind);
// Reads one configuration item into image; a reply with another element count stores nothing
// and still succeeds.
bool ReadConfigItem(const ConfigItemDescriptor& item, std::uint8_t* image);
// Writes the element at image + offset.
bool WriteConfigItem(const ConfigItemDescriptor& item, const std::uint8_t* image);
// 0 failure, 2 the words only, 3 the words and the 58-byte map record (when map is given).
int ReadIdentity(std::uint16_t* feature, std::uint32_t* attribute, std::uint16_t* extension,
                 std::uint8_t* map);
// 1 with the 64-byte layout record in layout, 0 on failure.
int ReadLayoutRecord(std::uint8_t* layout);
// Number of items read (1 or 2), 0 on failure. Each output, when given, holds 256 bytes.
int ReadVersion(char* version, char* generation);
// Kind 0 the code, 1 the code with the model's map record, 2 the model's layout record.
bool StampModel(std::uint16_t feature, std::uint32_t attribute, std::uint16_t extension, int kind);
// True when the console took the reboot command (callers may ignore it).
bool RebootPdu();
// Temperature 1, humidity 1, temperature 2, humidity 2, each times 100, from a "J" reply.
// Returns the number of items found (at most 4); readings not named stay as they were.
int ParseEnvironment(const char* text, std::int16_t (&readings)[4]);

// The generation number a version reply's second item gives: "V4" 4, "V3" 3, "V2" 2, else 1.
int GenerationFromText(const char* generation);

// Asks the device for its firmware version ("u", 5 tries) and returns the generation its second
// item names; 1 when the reply has no second item or the request fails.
int ReadGeneration();

// The error text of the current interface ("" with none), for reports.
std::string CurrentInterfaceError();

// After a failed operation: true when the PDU gave no usable answer at all (no prompt to the
// sanity check, a line that failed, or no session any more), false when it answered and said
// no. Passes over many items use it to stop on a dead line instead of waiting out every try of
// every item.
bool ConsoleStoppedAnswering();

}  // namespace quorvel
