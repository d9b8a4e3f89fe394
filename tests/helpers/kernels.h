#pragma once
// Tests that run once per kernel built here, named by it in the test output
// (FastWalk/avx2.RandomDocuments): a typed test suite over KernelSlots whose
// fixture derives from KernelTest. Where the processor does not run the
// kernel, the test is skipped and says why.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "kernels/kernel.h"
#include "kernels/kernel_builds.h"

namespace vantrel::testing {

template <unsigned N>
struct KernelSlot {
  static const Kernel& kernel() { return *builtKernels()[N]; }
};

template <unsigned... N>
::testing::Types<KernelSlot<N>...> slotsOf(std::integer_sequence<unsigned, N...>);
using KernelSlots = decltype(slotsOf(std::make_integer_sequence<unsigned, builtKernelCount>{}));

struct KernelNames {
  template <class Slot>
  static std::string GetName(int) {
    return std::string(Slot::kernel().name);
  }
};

template <class Slot>
class KernelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!kernel().runsHere()) GTEST_SKIP() << kernel().name << " not run: the processor lacks " << kernel().needs;
  }
  static const Kernel& kernel() { return Slot::kernel(); }
};

}  // namespace vantrel::testing
