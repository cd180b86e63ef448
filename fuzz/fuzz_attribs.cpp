// libFuzzer target: the attribute file loader over arbitrary text, then the lookups that read
// what it stored.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "catalogue/attribute_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorvel::AttributeTables tables;
    quorvel::AttributeLoadReport report;
    quorvel::LoadPDUAttributesFromText(
        tables, std::string_view(reinterpret_cast<const char*>(data), size), &report);
    if (report.stopLine > report.lines)
        __builtin_trap();
    for (quorvel::SeriesIndex idx : tables.presentSeries()) {
        const quorvel::ModelCode codes[] = {
            {0x80, (idx & 63u) << 18 | (idx >> 6 & 1u) << 7, static_cast<std::uint16_t>(idx >> 7)},
            {0x80, (idx & 63u) << 18 | (idx >> 6 & 1u) << 7,
             static_cast<std::uint16_t>(0x1F00 | idx >> 7)},
        };
        for (const auto& c : codes) {
            if (tables.kvbMapText(c, false).size() != 116)
                __builtin_trap();
            if (tables.layoutText(c, true).size() != 128)
                __builtin_trap();
            quorvel::ExtRecord ext;
            if (!tables.extRecord(c, &ext))
                __builtin_trap();
        }
        if (tables.seriesText(idx).size() > 63)
            __builtin_trap();
    }
    for (unsigned i = 0; i < quorvel::kInletCount; ++i) {
        if (tables.inletText(static_cast<quorvel::InletIndex>(i)).size() > 63)
            __builtin_trap();
    }
    return 0;
}
