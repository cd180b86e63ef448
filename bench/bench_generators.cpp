// How long writing the MIB (second generation) and bill-of-materials files of 100 models takes,
// the "every Ethernet model of the list" case of the model dialog. Models cycle through the
// series of the shipped catalogue with every feature and varying counts.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "catalogue/attribute_loader.h"
#include "generators/bom_writer.h"
#include "generators/mib_writer.h"

int main() {
    using namespace quorvel;
    namespace fs = std::filesystem;
    AttributeTables& tables = Attributes();
    if (!LoadPDUAttributes(tables, fs::path(QUORVEL_SOURCE_DIR) / "data" / "pduattribs.ini")) {
        std::fprintf(stderr, "cannot load the shipped catalogue\n");
        return 1;
    }
    const std::vector<SeriesIndex> series = tables.presentSeries();
    std::vector<ModelCode> models;
    for (unsigned n = 0; models.size() < 100; ++n) {
        const SeriesIndex idx = series[n % series.size()];
        KvbMapRecord kvb;
        LayoutRecord layout;
        ExtRecord ext;
        tables.storedRecords(idx, &kvb, &layout, &ext);
        const std::uint16_t feature = static_cast<std::uint16_t>(
            kFeatSerial | kFeatEthernet | kFeatVoltMeter | kFeatSocketControl | kFeatSocketMeter |
            kFeatEnvSensor | ((ext.intend[0] == 1 ? 1u : 0u) << 14));
        const std::uint32_t attribute = (ext.intend[1] & 7u) | ((n % 4) << 4) | ((n % 9) << 8) |
                                        ((idx & 0x3Fu) << 18) | ((idx >> 6 & 1u) << 7) |
                                        ((n % 7) << 24) | ((n % 7) << 27) | ((1 + n % 3) << 30);
        std::uint16_t extension = static_cast<std::uint16_t>((idx >> 7) & 0xFF);
        if (layout.extModel[0] > 0x0F)
            extension |= kExtExtendedMin;
        models.push_back({feature, attribute, extension});
    }

    const fs::path dir =
        fs::temp_directory_path() / ("quorvel_bench_gen_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::tm when{};
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &when);

    int failures = 0;
    std::uintmax_t bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < models.size(); ++i) {
        const fs::path mib = dir / ("model" + std::to_string(i) + ".mib");
        const fs::path bom = dir / ("model" + std::to_string(i) + ".bom");
        failures += WriteMib(mib, models[i], kMibSecondGeneration, when) ? 0 : 1;
        failures += WriteBom(bom, models[i]) ? 0 : 1;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    for (const auto& e : fs::directory_iterator(dir))
        bytes += e.file_size();
    fs::remove_all(dir);

    const double ms = std::chrono::duration<double, std::milli>(elapsed).count();
    std::printf(
        "generators: %zu MIB + %zu BOM files, %ju bytes, %.1f ms (%.2f ms per model), "
        "%d failed\n",
        models.size(), models.size(), bytes, ms, ms / models.size(), failures);
    quorvel::bench::tableRow("MIB + BOM for " + std::to_string(models.size()) + " models",
                             failures == 0 ? quorvel::bench::formatted("%.1f ms", ms) : "FAILED",
                             quorvel::bench::formatted("%.0f bytes", static_cast<double>(bytes)));
    return failures == 0 ? 0 : 1;
}
