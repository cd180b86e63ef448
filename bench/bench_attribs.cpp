// Benchmark: loading a 20,000-line attribute file. Prints the load time (best and median of
// several loads into fresh tables) and the peak memory of the process and of the tables.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "catalogue/attribute_loader.h"

namespace {

long peakRssKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// 20,000 lines: 22 lines each for 900 series spread over the whole index range, inlets, comments.
std::string makeFile(int& lines) {
    std::string s;
    lines = 0;
    auto line = [&](const std::string& l) {
        s += l;
        s += '\n';
        ++lines;
    };
    std::string recepMap, recepType, imap;
    for (int k = 1; k <= 48; ++k)
        recepMap += std::to_string(k) + " ";
    for (int k = 0; k < 48; ++k)
        recepType += "81 ";
    for (int k = 0; k < 36; ++k)
        imap += "3F ";
    imap.pop_back();  // a trailing delimiter would make a 37th field
    for (int n = 0; lines < 19900; ++n) {
        const int idx = (n * 7919) % 17576;
        const char name[] = {static_cast<char>('A' + idx / 676),
                             static_cast<char>('A' + (idx % 676 / 26 + 15) % 26),
                             static_cast<char>('A' + idx % 26), '\0'};
        const std::string k = name;
        line("* series " + k);
        if (n % 10 == 0)
            line("PMExtModel" + k + "=1000");
        line("KVBVSampleMap" + k + "=03");
        line("KVBISampleMap" + k + "=3F");
        line("KVBMeterAddMap" + k + "=10 11 12 13 14 15");
        line("KVBVAddMap" + k + "=20 21");
        line("KVBIAddMap" + k + "=30 31 32 33 34 35");
        line("KVBISubMap" + k + "=0 1 2 0 1 2");
        line("KVBRecepIMap" + k + "=" + imap);
        line("PMRecepMap" + k + "=" + recepMap);
        line("PMVoltMap" + k + "=0 1");
        line("PMCurrMap" + k + "=01 23 45");
        line("PMCircSelVolt" + k + "=1 0 1 0 1 0");
        line("PMCircVisible" + k + "=3F");
        line("PMCircLayoutType" + k + "=15");
        line("PMCircLayout" + k + "=11 12 13 21 22 23");
        line("PMRecepLabel" + k + "=41");
        line("PMRecepLayout" + k + "=5");
        line("PMRecepColumns" + k + "=11 11 11");
        line("PMRecepMaxColumns" + k + "=1 1 1 1 1 1");
        line("PExtIntend" + k + "=1 2 0 0");
        line("PExtRecepType" + k + "=" + recepType);
        line("RecepTypeDescr" + k + "=Benchmark series " + k);
    }
    while (lines < 19999)
        line("InplugTypeDescrB" + std::string(1, 'A' + lines % 26) + "=Inlet");
    line("END_OF_FILE");
    return s;
}

}  // namespace

int main() {
    int lines = 0;
    const std::string text = makeFile(lines);
    const auto file = std::filesystem::temp_directory_path() /
                      ("quorvel_bench_attribs_" + std::to_string(getpid()) + ".ini");
    std::ofstream(file, std::ios::binary) << text;

    const long rssBefore = peakRssKiB();
    std::vector<double> ms;
    unsigned series = 0;
    int values = 0;
    for (int run = 0; run < 15; ++run) {
        quorvel::AttributeTables tables;
        quorvel::AttributeLoadReport report;
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = quorvel::LoadPDUAttributes(tables, file, &report);
        const auto t1 = std::chrono::steady_clock::now();
        if (!ok) {
            std::fprintf(stderr, "load failed at line %d: %s\n", report.stopLine,
                         report.reason.c_str());
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        series = tables.seriesCount();
        values = report.valuesStored;
    }
    std::filesystem::remove(file);
    std::sort(ms.begin(), ms.end());
    const double tablesKiB = series *
                             (sizeof(quorvel::KvbMapRecord) + sizeof(quorvel::LayoutRecord) +
                              sizeof(quorvel::ExtRecord) + 2 * quorvel::kTextChars) /
                             1024.0;
    std::printf("bench_attribs: %d lines, %zu bytes, %u series, %d values\n", lines, text.size(),
                series, values);
    std::printf("  load time: best %.2f ms, median %.2f ms (target < 100 ms)\n", ms.front(),
                ms[ms.size() / 2]);
    quorvel::bench::tableRow("attribute file load (" + std::to_string(lines) + " lines)",
                             quorvel::bench::formatted("%.2f ms", ms[ms.size() / 2]),
                             "median; target < 100 ms");
    std::printf("  peak RSS: %ld KiB before loading, %ld KiB after (records %.0f KiB)\n", rssBefore,
                peakRssKiB(), tablesKiB);
    return 0;
}
