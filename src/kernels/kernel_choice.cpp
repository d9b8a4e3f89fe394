// The kernels built here, and the one the process uses.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <string>

#include "kernels/kernel.h"
#include "kernels/kernel_builds.h"

namespace vantrel {

extern const Kernel scalarKernel;
#if defined(VANTREL_KERNEL_SSE2)
extern const Kernel sse2Kernel;
#endif
#if defined(VANTREL_KERNEL_AVX2)
extern const Kernel avx2Kernel;
#endif
#if defined(VANTREL_KERNEL_AVX512)
extern const Kernel avx512Kernel;
#endif
#if defined(VANTREL_KERNEL_NEON)
extern const Kernel neonKernel;
#endif

namespace {

const Kernel* const kernels[] = {
    &scalarKernel,
#if defined(VANTREL_KERNEL_SSE2)
    &sse2Kernel,
#endif
#if defined(VANTREL_KERNEL_AVX2)
    &avx2Kernel,
#endif
#if defined(VANTREL_KERNEL_AVX512)
    &avx512Kernel,
#endif
#if defined(VANTREL_KERNEL_NEON)
    &neonKernel,
#endif
};
static_assert(std::size(kernels) == builtKernelCount);

// The name the environment asks for: VANTREL_KERNEL, or the older
// VANTREL_VECTORS=sse2; empty for none.
std::string askedName() {
  if (const char* name = std::getenv("VANTREL_KERNEL"); name != nullptr && *name != '\0') return name;
  if (const char* vectors = std::getenv("VANTREL_VECTORS"); vectors != nullptr && std::string(vectors) == "sse2") {
    return "sse2";
  }
  return {};
}

const Kernel& bestHere() {
  const Kernel* best = kernels[0];
  for (const Kernel* kernel : kernels) {
    if (kernel->runsHere()) best = kernel;
  }
  return *best;
}

const Kernel& chooseKernel() {
  const Kernel* asked = kernelNamed(askedName());
  return asked != nullptr && asked->runsHere() ? *asked : bestHere();
}

}  // namespace

size_t leadingSpaces(const Kernel& kernel, const char* p, size_t size) {
  for (size_t count = 0; count < size; count += 64) {
    uint64_t stops = 0;
    if (const uint64_t others = kernel.markRow(p + count, stops); others != 0) {
      return std::min(size, count + static_cast<size_t>(std::countr_zero(others)));
    }
  }
  return size;
}

bool holdsRunStop(const Kernel& kernel, const char* p, size_t size) {
  for (size_t at = 0; at < size; at += 64) {
    uint64_t stops = 0;
    kernel.markRow(p + at, stops);
    if ((stops & firstBits(size - at)) != 0) return true;
  }
  return false;
}

std::span<const Kernel* const> builtKernels() { return kernels; }

const Kernel* kernelNamed(std::string_view name) {
  for (const Kernel* kernel : kernels) {
    if (kernel->name == name) return kernel;
  }
  return nullptr;
}

const Kernel& processKernel() {
  static const Kernel& chosen = chooseKernel();
  return chosen;
}

std::string kernelSettingProblem() {
  const std::string name = askedName();
  const Kernel* kernel = kernelNamed(name);
  if (name.empty() || (kernel != nullptr && kernel->runsHere())) return {};
  std::string runs;
  for (const Kernel* k : kernels) {
    if (k->runsHere()) runs += (runs.empty() ? "" : ", ") + std::string(k->name);
  }
  const std::string why =
      kernel == nullptr ? "no such kernel in this build" : "this processor lacks " + std::string(kernel->needs);
  return "VANTREL_KERNEL=" + name + ": " + why + "; it runs: " + runs;
}

}  // namespace vantrel
