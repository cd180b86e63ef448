// The MIB module's objects (system information, configuration, metrics, control) and traps,
// each written only when the model has the features it needs.
#include <initializer_list>
#include <string>
#include <vector>

#include "generators/mib_document.h"

namespace quorvel::mib {
namespace {

constexpr const char* kDisplay14 = "DisplayString (SIZE (0..14))";
constexpr const char* kDisplay24 = "DisplayString (SIZE (0..24))";
constexpr const char* kDisplay64 = "DisplayString (SIZE (0..64))";
constexpr const char* kDisplay120 = "DisplayString (SIZE (0..120))";
constexpr const char* kIpAddress = "IpAddress";
constexpr const char* kMacAddress = "OCTET STRING (SIZE (6))";
constexpr const char* kInt1 = "INTEGER (0..1)";
constexpr const char* kInt255 = "INTEGER (0..255)";
constexpr const char* kInt300 = "INTEGER (0..300)";
constexpr const char* kInt1999 = "INTEGER (0..1999)";
constexpr const char* kInt4999 = "INTEGER (0..4999)";
constexpr const char* kInt10000 = "INTEGER (0..10000)";
constexpr const char* kInt20000 = "INTEGER (0..20000)";
constexpr const char* kInt65535 = "INTEGER (0..65535)";

constexpr bool RO = false;
constexpr bool RW = true;

constexpr const char* kIndent = "        ";

void group(LineWriter& w, std::string_view name, std::string_view parent, unsigned number) {
    w.join(name, " OBJECT IDENTIFIER ::= { ", parent, " ", std::to_string(number), " }");
    w.line("");
}

// A description of one or more lines: eight-space indent on each, quoted as one text.
void description(LineWriter& w, const std::vector<std::string>& lines) {
    w.line("    DESCRIPTION");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        w.join(kIndent, i == 0 ? "\"" : "", lines[i], i + 1 == lines.size() ? "\"" : "");
    }
}

void object(LineWriter& w, std::string_view name, std::string_view syntax, bool readWrite,
            const std::vector<std::string>& desc, std::string_view parent, unsigned number) {
    w.join(name, " OBJECT-TYPE");
    w.join("    SYNTAX ", syntax);
    w.line(readWrite ? "    ACCESS read-write" : "    ACCESS read-only");
    w.line("    STATUS mandatory");
    description(w, desc);
    w.join("    ::= { ", parent, " ", std::to_string(number), " }");
    w.line("");
}

// One object per name: `prefix` + name + `suffix`, described by the template, numbered
// `base` + the name's index.
void objects(LineWriter& w, const std::vector<Named>& names, std::string_view prefix,
             std::string_view suffix, std::string_view syntax, bool readWrite,
             std::string_view tmpl, std::string_view parent, unsigned base) {
    for (const Named& n : names) {
        object(w, identifier(prefix, n.id, suffix), syntax, readWrite, {fill(tmpl, n.text)}, parent,
               base + n.index);
    }
}

void systemInfo(LineWriter& w) {
    group(w, "SystemInfo", "PDU", 1);
    object(w, "VERSION", kDisplay14, RO, {"Software Version."}, "SystemInfo", 1);
    object(w, "MODELCODE", kDisplay14, RO, {"Model code for the PDU."}, "SystemInfo", 2);
}

void configuration(LineWriter& w, const MibModel& m) {
    const auto& circuits = m.circuits;
    const auto& recs = m.receptacles;
    const bool recepNames = m.socketControl || m.socketMeter;

    group(w, "Configuration", "PDU", 2);
    object(w, "LOGINTERVAL", kInt65535, RW,
           {"The time interval in seconds for logging metrics (disabled if < 10)."},
           "Configuration", 1);
    object(w, "ALARMINTERVAL", kInt65535, RW,
           {"The time interval in seconds for alarm cycle (disabled if < 10)."}, "Configuration",
           2);
    object(w, "LOGDIFFERENCE", kInt65535, RW,
           {"The current difference in 1/100 Amps that triggers logging metrics."}, "Configuration",
           3);
    object(w, "PDUIP", kIpAddress, RW, {"PDU IP address."}, "Configuration", 6);
    object(w, "MACADDRESS", kMacAddress, RO, {"PDU MAC address."}, "Configuration", 7);

    group(w, "NetOptions", "Configuration", 8);
    object(w, "AUTOIP", kInt1, RW, {"Select dynamic (Auto) or static IP, 0=static and 1=dynamic."},
           "NetOptions", 1);
    object(w, "HOSTACCESS", kInt1, RW,
           {"Restrict access only to host IPs in the HostAlarm entries, 1=restrict, 0=allow "
            "access from any IP."},
           "NetOptions", 2);
    if (m.envSensor) {
        object(w, "CELSIUSTEMP", kInt1, RW, {"Set temperature units, 1=Celsius, 0=Fahrenheit."},
               "NetOptions", 3);
    }
    object(w, "SUBNETMASK", kIpAddress, RW, {"PDU Subnet Mask."}, "Configuration", 9);
    object(w, "GATEWAY", kIpAddress, RW, {"PDU Gateway Address."}, "Configuration", 10);

    group(w, "AlarmHosts", "Configuration", 11);
    for (unsigned h = 1; h <= 3; ++h) {
        const std::string n = std::to_string(h);
        object(w, "HOST" + n, kIpAddress, RW, {"PDU HOST " + n + " IP."}, "AlarmHosts", h);
    }

    group(w, "CurrentLimits", "Configuration", 12);
    objects(w, circuits, "", "MAXCURR", kInt1999, RW,
            "Maximum current that %S%S can draw in 1/100 Amps, 0=ignore.", "CurrentLimits", 1);
    if (m.socketControl && m.socketMeter) {
        objects(w, circuits, "", "LOCKCURR", kInt1999, RW,
                "Current limit that %S%S can draw in 1/100 Amps before locking the receptacles, "
                "0=ignore.",
                "CurrentLimits", m.u);
    }

    if (m.envSensor) {
        group(w, "EnvironmentalLimits", "Configuration", 13);
        object(w, "MINTEMP", kInt20000, RW,
               {"Minimum temperature in 1/100 of degrees Fahrenheit, 0=ignore."},
               "EnvironmentalLimits", 1);
        object(w, "MAXTEMP", kInt20000, RW,
               {"Maximum temperature in 1/100 of degrees Fahrenheit, 0=ignore."},
               "EnvironmentalLimits", 2);
        object(w, "MINHUMIDITY", kInt10000, RW, {"Minimum humidity in 1/100 of %, 0=ignore."},
               "EnvironmentalLimits", 3);
        object(w, "MAXHUMIDITY", kInt10000, RW, {"Maximum humidity in 1/100 of %, 0=ignore."},
               "EnvironmentalLimits", 4);
    }

    if (m.socketControl) {
        group(w, "ReceptacleControl", "Configuration", 14);
        objects(w, recs, "", "CTRL", kInt1, RW, "%S%S power state, 0=OFF, 1=ON.",
                "ReceptacleControl", 1);
        group(w, "ReceptacleONDelay", "Configuration", 15);
        objects(w, recs, "", "ONDLY", kInt255, RW, "%S%S power-on delay in seconds.",
                "ReceptacleONDelay", 1);
        group(w, "ReceptacleResetDelay", "Configuration", 16);
        objects(w, recs, "", "RESDLY", kInt255, RW, "%S%S reset delay in seconds.",
                "ReceptacleResetDelay", 1);
    }

    object(w, "PDUNAME", kDisplay64, RW, {"PDU Name."}, "Configuration", 17);

    if (recepNames) {
        group(w, "ReceptacleNames", "Configuration", 21);
        objects(w, recs, "", "NAME", kDisplay64, RW, "%S%S Name.", "ReceptacleNames", 1);
    }

    if (m.voltMeter && m.secondGeneration && m.hasVoltageInputs()) {
        group(w, "VoltageLimits", "Configuration", 22);
        objects(w, m.inputs, "", "MINVOLT", kInt1999, RW,
                "Minimum voltage that %S%S can sag to in volts, 0=ignore.", "VoltageLimits", 1);
        objects(w, m.inputs, "", "MAXVOLT", kInt1999, RW,
                "Maximum voltage that %S%S can reach in volts, 0=ignore.", "VoltageLimits", 3);
    }
}

void metrics(LineWriter& w, const MibModel& m) {
    const auto& circuits = m.circuits;
    const auto& recs = m.receptacles;

    group(w, "Metrics", "PDU", 3);
    if (m.voltMeter && m.hasVoltageInputs()) {
        group(w, "Voltage", "Metrics", 1);
        objects(w, m.inputs, "VOLTAGE", "", kInt300, RO, "%S%S voltage in volts.", "Voltage", 1);
    }

    group(w, "Current", "Metrics", 2);
    objects(w, circuits, "CURRENT", "", kInt1999, RO, "%S%S current draw in 1/100 Amps.", "Current",
            1);
    if (m.socketMeter) {
        objects(w, recs, "CURRENT", "", kInt1999, RO, "%S%S current draw in 1/100 Amps.", "Current",
                m.u);
    }

    group(w, "Power", "Metrics", 3);
    objects(w, circuits, "POWER", "", kInt4999, RO, "%S%S power consumption in Watts.", "Power", 1);
    if (m.socketMeter) {
        objects(w, recs, "POWER", "", kInt4999, RO, "%S%S power consumption in Watts.", "Power",
                m.u);
    }

    if (m.powerFactor) {
        group(w, "PowerFactor", "Metrics", 4);
        objects(w, circuits, "POWERFACT", "", kInt10000, RO, "%S%S power factor x 100.",
                "PowerFactor", 1);
        if (m.socketMeter) {
            objects(w, recs, "POWERFACT", "", kInt10000, RO, "%S%S power factor x 100.",
                    "PowerFactor", m.u);
        }
    }

    if (m.socketControl) {
        group(w, "ReceptacleStatus", "Metrics", 5);
        objects(w, recs, "", "STATUS", kInt1, RO, "%S%S power state, 0=OFF, 1=ON.",
                "ReceptacleStatus", 1);
    }

    if (m.envSensor) {
        group(w, "Environmental", "Metrics", 6);
        object(w, "TEMPERATURE", kInt20000, RO, {"Temperature in 1/100 degree Fahrenheit."},
               "Environmental", 1);
        object(w, "HUMIDITY", kInt10000, RO, {"Humidity in 1/100 %."}, "Environmental", 2);
    }

    if (m.secondGeneration) {
        object(w, "ALARMS", kInt65535, RO,
               {"Alarmed state bit map: bit0=circA, bit1=circB, bit2=circC, bit3=circD,",
                "bit4=circE, bit5=circF, bit6=minTemp, bit7=maxTemp, bit8=minHumid, bit9=maxHumid,",
                "bit10=minVoltA, bit11=minVoltB, bit12=maxVoltA, bit13=maxVoltB."},
               "Metrics", 7);
    } else {
        object(w, "ALARMS", kInt65535, RO,
               {"Alarmed state bit map: bit0=circA, bit1=circB, bit2=circC,",
                "bit4=minTemp, bit5=maxTemp, bit6=minHumid, bit7=maxHumid."},
               "Metrics", 7);
    }

    if (m.socketMeter) {
        object(w, "ReceptacleCurrentMAP", kDisplay120, RO,
               {"Map of receptacle currents in ascending order and delimited by space."}, "Metrics",
               8);
    }
}

void control(LineWriter& w, const MibModel& m) {
    if (!m.socketControl)
        return;
    const auto& recs = m.receptacles;
    group(w, "Control", "PDU", 4);
    group(w, "ReceptaclesOnOff", "Control", 1);
    objects(w, recs, "", "ONOFF", kInt1, RW, "Turn ON or OFF power to %S%S, 1=ON, 0=OFF.",
            "ReceptaclesOnOff", 1);
    group(w, "ReceptaclesReset", "Control", 2);
    objects(w, recs, "", "RESET", kInt1, RW, "Reset power to %S%S, 1=reset.", "ReceptaclesReset",
            1);
    object(w, "ReceptaclesCTRLMAP", kDisplay24, RO,
           {"Map of receptacle status in ascending order, 1=ON, 0=OFF."}, "Control", 3);
    if (m.secondGeneration) {
        object(w, "ReceptacleLOCKS", kInt65535, RW,
               {"Map of receptacle locks, writing with 1 clears them all:",
                "bit0 = 1st circuit, bit1 = 2nd circuit, bit2 = 3rd circuit,",
                "bit3 = 4th circuit, bit4 = 5th circuit, bit5 = 6th circuit."},
               "Control", 4);
    }
}

void trapHead(LineWriter& w, std::string_view name) {
    w.join(name, " TRAP-TYPE");
    w.line("    ENTERPRISE PDU ");
}

void trapTail(LineWriter& w, std::string_view desc, unsigned number) {
    description(w, {std::string(desc)});
    w.join("    ::= ", std::to_string(number));
    w.line("");
}

void trap(LineWriter& w, std::string_view name, std::string_view variable, std::string_view desc,
          unsigned number) {
    trapHead(w, name);
    w.join("    VARIABLES {    ", variable, " }");
    trapTail(w, desc, number);
}

// A trap whose variables are `variables` and then ALARMS.
void listTrap(LineWriter& w, std::string_view name, const std::vector<std::string>& variables,
              std::string_view desc, unsigned number) {
    trapHead(w, name);
    w.line("    VARIABLES {");
    for (const std::string& v : variables)
        w.join(kIndent, v, ",");
    w.line("        ALARMS");
    w.line("    }");
    trapTail(w, desc, number);
}

}  // namespace

void writeObjects(LineWriter& w, const MibModel& m) {
    systemInfo(w);
    configuration(w, m);
    metrics(w, m);
    control(w, m);
}

void writeTraps(LineWriter& w, const MibModel& m) {
    const bool second = m.secondGeneration;
    for (const Named& c : m.circuits) {
        trap(w, identifier("maxCurrent", c.id), identifier("CURRENT", c.id),
             fill("Trap is sent when current in %S%S exceeds set limit.", c.text), c.index + 1);
    }
    const bool voltageTraps = m.voltMeter && second && m.hasVoltageInputs();
    if (voltageTraps) {
        for (const Named& v : m.inputs) {
            trap(w, identifier("minVolt", v.id), identifier("VOLTAGE", v.id),
                 fill("Trap is sent when voltage in %S%S drops below low limit.", v.text),
                 v.index + 7);
        }
        for (const Named& v : m.inputs) {
            trap(w, identifier("maxVolt", v.id), identifier("VOLTAGE", v.id),
                 fill("Trap is sent when voltage in %S%S exceeds high limit.", v.text),
                 v.index + 9);
        }
    }
    if (m.envSensor) {
        trap(w, "minTemperature", "TEMPERATURE",
             "Trap is sent when temperature drops below low limit.", second ? 11 : 4);
        trap(w, "maxTemperature", "TEMPERATURE",
             "Trap is sent when temperature exceeds high limit.", second ? 12 : 5);
        trap(w, "minHumidity", "HUMIDITY", "Trap is sent when humidity drops below low limit.",
             second ? 13 : 6);
        trap(w, "maxHumidity", "HUMIDITY", "Trap is sent when humidity exceeds high limit.",
             second ? 14 : 7);
    }

    std::vector<std::string> logged;
    if (m.voltMeter) {
        for (const Named& v : m.inputs)
            logged.push_back(identifier("VOLTAGE", v.id));
    }
    for (const Named& c : m.circuits)
        logged.push_back(identifier("CURRENT", c.id));
    if (m.socketMeter)
        logged.push_back("ReceptacleCurrentMAP");
    // The control map object is ReceptaclesCTRLMAP; the trap names that object.
    if (m.socketControl)
        logged.push_back("ReceptaclesCTRLMAP");
    if (m.envSensor)
        logged.push_back("TEMPERATURE, HUMIDITY");
    listTrap(w, "changeLog", logged,
             "Trap is sent when changes in current exceed the amount set in LOGDIFFERENCE.",
             second ? 15 : 8);
    listTrap(w, "dataLog", logged, "Trap is sent when the data logging interval time is reached",
             second ? 16 : 9);
    listTrap(w, "endAlarm", {}, "Trap is sent when all alarms have been resolved/cleared",
             second ? 17 : 10);

    w.line("END");
}

}  // namespace quorvel::mib
