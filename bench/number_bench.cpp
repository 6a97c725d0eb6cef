// KVNumber's formatters and parser against the C library's: decimal rtos against
// swprintf("%.4f") and fractional rtos on the same values, distof against strtod (and
// the wide distof against wcstod), on the same texts.
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "KVNumber/number.h"

namespace {

// Lengths as dialogs hold them: -10000 to 10000 with a fraction.
const std::vector<double>& Values() {
  static const std::vector<double> values = [] {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> distribution(-10000.0, 10000.0);
    std::vector<double> v(1024);
    for (double& value : v) value = distribution(random);
    return v;
  }();
  return values;
}

// The values as decimal texts ("%.4f"), the form users type.
const std::vector<std::string>& Texts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> t;
    for (double value : Values()) {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.4f", value);
      t.emplace_back(buffer);
    }
    return t;
  }();
  return texts;
}

const std::vector<std::wstring>& WideTexts() {
  static const std::vector<std::wstring> texts = [] {
    std::vector<std::wstring> t;
    for (const std::string& text : Texts()) t.emplace_back(text.begin(), text.end());
    return t;
  }();
  return texts;
}

template <class Format>
void RunFormat(benchmark::State& state, Format format) {
  const std::vector<double>& values = Values();
  wchar_t buffer[34];
  size_t i = 0;
  for (auto _ : state) {
    format(values[i], buffer);
    benchmark::DoNotOptimize(buffer);
    benchmark::ClobberMemory();
    i = (i + 1) & (values.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_RtosDecimal(benchmark::State& state) {
  RunFormat(state, [](double value, wchar_t* out) { rtos(value, 2, 4, out); });
}
BENCHMARK(BM_RtosDecimal);

void BM_Swprintf(benchmark::State& state) {
  RunFormat(state, [](double value, wchar_t* out) { std::swprintf(out, 34, L"%.4f", value); });
}
BENCHMARK(BM_Swprintf);

void BM_RtosFractional(benchmark::State& state) {
  RunFormat(state, [](double value, wchar_t* out) { rtos(value, 5, 4, out); });
}
BENCHMARK(BM_RtosFractional);

// Parses each text of `texts` in turn with `parse`.
template <typename Text, typename Parse>
void RunParse(benchmark::State& state, const std::vector<Text>& texts, Parse parse) {
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(parse(texts[i].c_str()));
    i = (i + 1) & (texts.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Distof(benchmark::State& state) {
  RunParse(state, Texts(), [](const char* text) {
    double value;
    distof(text, &value);
    return value;
  });
}
BENCHMARK(BM_Distof);

void BM_Strtod(benchmark::State& state) {
  RunParse(state, Texts(), [](const char* text) { return std::strtod(text, nullptr); });
}
BENCHMARK(BM_Strtod);

void BM_DistofWide(benchmark::State& state) {
  RunParse(state, WideTexts(), [](const wchar_t* text) {
    double value;
    distof(text, &value);
    return value;
  });
}
BENCHMARK(BM_DistofWide);

void BM_Wcstod(benchmark::State& state) {
  RunParse(state, WideTexts(), [](const wchar_t* text) { return std::wcstod(text, nullptr); });
}
BENCHMARK(BM_Wcstod);

}  // namespace

BENCHMARK_MAIN();
