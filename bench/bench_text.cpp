// Looking up keys in a string file of 2,000 entries in 5 languages (the first load of a
// key, a reload after a language change, and cached use), and formatting numeric values
// for display; each reports allocations per operation.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/alloc_counter.h"
#include "data/data_ref.h"
#include "data/units.h"
#include "text/language.h"
#include "text/vocabulary.h"

namespace {
constexpr int Entries = 2000;
const char* const Languages[] = {"English", "Deutsch", "Francais", "Italiano", "Espanol"};

std::string keyOf(int i) {
    return "Key number " + std::to_string(i);
}

// Writes the string file once and makes it the vocabulary's.
void setUpVocabulary() {
    static bool done = false;
    if (done) return;
    done = true;
    char path[] = "/tmp/flbench.XXXXXX";
    int fd = mkstemp(path);
    FILE* f = fdopen(fd, "w");
    fprintf(f, "\xEF\xBB\xBF[Languages]\n");
    for (const char* l : Languages)
        fprintf(f, "%s\n", l);
    fprintf(f, "[Strings]\n");
    for (int i = 0; i < Entries; ++i) {
        fprintf(f, "$%s$", keyOf(i).c_str());
        for (const char* l : Languages)
            fprintf(f, " :%s \"%s text of entry %d, with some words \xC3\xA4\"", l, l, i);
        fprintf(f, ";\n");
    }
    fclose(f);
    V.stringFiles[0].setFileName(path);
    V.init(nullptr, nullptr, nullptr, nullptr, nullptr);
    unlink(path); // the open file stays readable
}

void reportAllocs(benchmark::State& state, size_t before) {
    state.counters["allocs/op"] = benchmark::Counter(
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations()));
}

std::vector<std::string> allKeys() {
    std::vector<std::string> keys;
    for (int i = 0; i < Entries; ++i)
        keys.push_back(keyOf(i));
    return keys;
}

// A key used for the first time: the strings section is searched from its start, the entry
// measured for every language and the current language's texts loaded. Keys are taken
// evenly from the whole file.
void BM_KeyFirstLoad(benchmark::State& state) {
    setUpVocabulary();
    std::vector<std::string> keys = allKeys();
    Language* german = V.language("Deutsch");
    int i = 0;
    size_t before = allocationCount();
    for (auto _ : state) {
        StringPoolNode node(keys[(i * 7) % Entries].c_str(), 0);
        V.loadStringPoolNode(&node, german, nullptr);
        benchmark::DoNotOptimize(node.getString(1).text);
        ++i;
    }
    reportAllocs(state, before);
}
BENCHMARK(BM_KeyFirstLoad);

// After a language change: the entry is read again from its recorded place.
void BM_KeyReloadForAnotherLanguage(benchmark::State& state) {
    setUpVocabulary();
    StringPoolNode node(keyOf(Entries / 2).c_str(), 0);
    Language* a = V.language("Francais");
    Language* b = V.language("Espanol");
    V.loadStringPoolNode(&node, a, nullptr);
    bool flip = false;
    size_t before = allocationCount();
    for (auto _ : state) {
        node.state = PoolNodeStale;
        V.loadStringPoolNode(&node, flip ? a : b, nullptr);
        flip = !flip;
        benchmark::DoNotOptimize(node.getString(1).text);
    }
    reportAllocs(state, before);
}
BENCHMARK(BM_KeyReloadForAnotherLanguage);

// A text already loaded: what every redraw of a widget costs.
void BM_KeyCachedUse(benchmark::State& state) {
    setUpVocabulary();
    MultiString ms(keyOf(Entries - 1).c_str());
    ms.getString();
    size_t before = allocationCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(ms.getString().text);
    reportAllocs(state, before);
}
BENCHMARK(BM_KeyCachedUse);

// Formatting a value: 0 without the units name, 1 with it.
void BM_NumericDataRefGetText(benchmark::State& state) {
    Data pressure(&Metric_kPa, nullptr, 0);
    NumericDataRef ref(&pressure, nullptr, 2, 2, 0, static_cast<unsigned char>(state.range(0)));
    unsigned char buffer[DataTextBufferSize];
    double v = -1234.5678;
    ref.getText(0, buffer); // the units name's first lookup happens here
    size_t before = allocationCount();
    for (auto _ : state) {
        pressure.setValue(v, false);
        benchmark::DoNotOptimize(ref.getText(0, buffer).text);
        v += 0.37;
    }
    reportAllocs(state, before);
}
BENCHMARK(BM_NumericDataRefGetText)->Arg(0)->Arg(1);
} // namespace

BENCHMARK_MAIN();
