// Film-term tables: applying one to the 5173 x 3445 16-bit standard image beside libvips' maplut with
// the same table, and loading the ten shipped files.
#include "benchimages.h"
#include "cip_filmterms.h"

#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

const CIP_FilmTermTable& negativeTable()
{
    static const CIP_FilmTermTable* table = [] {
        auto* t = new CIP_FilmTermTable;
        std::vector<std::uint16_t> lut[3];
        for (int c = 0; c < 3; ++c) {
            lut[c].resize(65536);
            for (int i = 0; i < 65536; ++i)
                lut[c][std::size_t(i)] = std::uint16_t(65535 - (i * (c + 2)) / 4 % 65536);
        }
        t->setTables(lut[0].data(), lut[1].data(), lut[2].data());
        return t;
    }();
    return *table;
}

std::string applicationDir()
{
    if (const char* dir = std::getenv("KORVANE_APP_DIR"))
        return dir;
    char exe[PATH_MAX] = { 0 };
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? std::size_t(n) : 0);
    path = path.substr(0, path.find_last_of('/'));
    return path + "/../app"; // build/bench/ beside build/app/
}

void BM_FilmTermApply_Korvane(benchmark::State& state)
{
    const bench::Image16& image = bench::standardImage3600();
    const std::vector<std::uint16_t>& src = image.samples;
    std::vector<std::uint16_t> dst(src.size());
    const CIP_FilmTermTable& table = negativeTable();
    for (auto _ : state) {
        table.apply16(src.data(), dst.data(), std::size_t(image.width) * std::size_t(image.height));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(src.size() * 2));
}

void BM_FilmTermApply_VipsMaplut(benchmark::State& state)
{
    if (VIPS_INIT("bench_filmterm") != 0) {
        state.SkipWithError("libvips did not start");
        return;
    }
    vips_cache_set_max(0); // measure the work, not the operation cache
    const bench::Image16& image = bench::standardImage3600();
    const std::vector<std::uint16_t>& src = image.samples;
    const CIP_FilmTermTable& table = negativeTable();
    std::vector<std::uint16_t> lut(65536 * 3);
    for (int i = 0; i < 65536; ++i) {
        lut[std::size_t(i) * 3 + 0] = table.red()[i];
        lut[std::size_t(i) * 3 + 1] = table.green()[i];
        lut[std::size_t(i) * 3 + 2] = table.blue()[i];
    }
    VipsImage* lutImage
        = vips_image_new_from_memory(lut.data(), lut.size() * 2, 65536, 1, 3, VIPS_FORMAT_USHORT);
    VipsImage* in = vips_image_new_from_memory(
        src.data(), src.size() * 2, image.width, image.height, 3, VIPS_FORMAT_USHORT);
    for (auto _ : state) {
        VipsImage* mapped = nullptr;
        VipsImage* out = vips_image_new_memory();
        if (vips_maplut(in, &mapped, lutImage, nullptr) != 0 || vips_image_write(mapped, out) != 0) {
            state.SkipWithError(vips_error_buffer());
            break;
        }
        benchmark::DoNotOptimize(VIPS_IMAGE_ADDR(out, 0, 0));
        g_object_unref(mapped);
        g_object_unref(out);
    }
    g_object_unref(in);
    g_object_unref(lutImage);
    state.SetBytesProcessed(state.iterations() * std::int64_t(src.size() * 2));
}

void BM_FilmTermLoadTenShipped_Korvane(benchmark::State& state)
{
    const std::string dir = applicationDir();
    std::vector<CIP_FilmTermTable> tables(CIP_FilmTerms::kTableCount);
    for (auto _ : state) {
        std::vector<std::string> failed;
        const int loaded = CIP_FilmTerms::loadTables(dir.c_str(), tables.data(), &failed);
        if (loaded != CIP_FilmTerms::kTableCount) {
            state.SkipWithError(("shipped film terms missing below " + dir).c_str());
            break;
        }
        benchmark::DoNotOptimize(tables.data());
    }
}

} // namespace

BENCHMARK(BM_FilmTermApply_Korvane)
    ->Name("ours/film_term_apply")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FilmTermApply_VipsMaplut)
    ->Name("vips/film_term_apply")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FilmTermLoadTenShipped_Korvane)
    ->Name("ours/film_terms_load_ten")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
