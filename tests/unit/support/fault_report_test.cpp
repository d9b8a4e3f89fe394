#include "support/faults/fault_report.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/faults/faults.h"

namespace vantrel {
namespace {

std::string reportOf(const Exception& fault, const char* module = "vantrel") {
  char buffer[512];
  size_t length = formatFaultReport(fault, module, buffer, sizeof buffer);
  return std::string(buffer, length);
}

template <class Fault>
Fault at(Fault fault, uint32_t address) {
  fault.setAddress(address);
  return fault;
}

TEST(FaultReport, EachFaultClass) {
  EXPECT_EQ(reportOf(at(ERangeError(), 0x1A2B)),
            "Exception ERangeError in module vantrel at 00001A2B.\nRange check error.");
  EXPECT_EQ(reportOf(at(EIntOverflow(), 0xFFFFFFFF)),
            "Exception EIntOverflow in module vantrel at FFFFFFFF.\nInteger overflow.");
  EXPECT_EQ(reportOf(at(EInOutError(2), 0xABCDEF)),
            "Exception EInOutError in module vantrel at 00ABCDEF.\nFile not found.");
  EXPECT_EQ(reportOf(outOfMemoryFault(), "x.exe").substr(0, 42), "Exception EOutOfMemory in module x.exe at ");
  EXPECT_TRUE(reportOf(outOfMemoryFault()).ends_with(".\nOut of memory."));
}

TEST(FaultReport, IoMessages) {
  const std::vector<std::pair<IoCode, std::string>> cases = {
      {2, "File not found"},
      {3, "Invalid filename"},
      {4, "Too many open files"},
      {5, "File access denied"},
      {100, "Read beyond end of file"},
      {101, "Disk full"},
      {106, "Invalid numeric input"},
      {103, "I/O error 103"},
      {105, "I/O error 105"},
      {112, "I/O error 112"},
      {232, "I/O error 232"},
      {31, "I/O error 31"},
      {0, "I/O error 0"},
      {-1, "I/O error -1"},
      {INT32_MIN, "I/O error -2147483648"},
  };
  for (const auto& [code, message] : cases) {
    EInOutError fault(code);
    EXPECT_EQ(fault.code(), code);
    EXPECT_EQ(fault.message(), message);
    EXPECT_EQ(reportOf(at(fault, 0)), "Exception EInOutError in module vantrel at 00000000.\n" + message + ".");
  }
}

// what() names the object, the line and the cause; the report keeps the message.
TEST(FaultReport, DescribedFaults) {
  struct Case {
    std::string object;
    int64_t line;
    std::string cause;
    std::string what;
  };
  const std::string longName(2000, 'n');
  const std::vector<Case> cases = {
      {"doc.chi", 0, "cannot read the document: No such file or directory",
       "doc.chi: cannot read the document: No such file or directory"},
      {"Runemap.txt", 12, "page number out of range: ':7'", "Runemap.txt:12: page number out of range: ':7'"},
      {"", 3, "UTF-8 character cut short", "line 3: UTF-8 character cut short"},
      {"", 0, "no document named", "no document named"},
      {"x.htm", 0, "", "x.htm: Range check error"},
      {longName, 1, "cause", longName.substr(0, 508) + "...:1: cause"},
      {longName.substr(0, 507) + "\xC3\xA9" + longName, 0, "c",
       longName.substr(0, 507) + "...: c"},  // not within a character
  };
  for (const Case& c : cases) {
    ERangeError fault;
    fault.setAddress(0x10);
    fault.describe(c.object, c.line, c.cause);
    EXPECT_EQ(std::string(fault.what()), c.what) << c.what;
    EXPECT_EQ(fault.line(), c.line);
    EXPECT_EQ(c.what.substr(0, fault.objectName().size()), fault.objectName());
    EXPECT_TRUE(c.what.ends_with(fault.cause())) << fault.cause();
    EXPECT_EQ(reportOf(fault), "Exception ERangeError in module vantrel at 00000010.\nRange check error.");
  }
  EInOutError fault(5);
  EXPECT_STREQ(fault.what(), "File access denied");  // nothing described: the message
  const std::exception& general = fault;
  EXPECT_STREQ(general.what(), "File access denied");
}

TEST(FaultReport, ModuleNameLosesItsFolder) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/usr/local/bin/vantrel", "vantrel"},
      {"vantrel", "vantrel"},
      {"C:\\tools\\Vantrel.exe", "Vantrel.exe"},
      {"./build/vantrel", "vantrel"},
  };
  for (const auto& [path, module] : cases) {
    setModuleName(path.c_str());
    EXPECT_STREQ(moduleName(), module.c_str());
  }
}

TEST(FaultReport, RaisedFaultsCarryTheirClassAndAnAddress) {
  try {
    raiseRangeError();
  } catch (const EIntError& fault) {
    EXPECT_STREQ(fault.className(), "ERangeError");
    EXPECT_NE(fault.address(), 0u);
  }
  try {
    raiseIntOverflow();
  } catch (const EExternal& fault) {
    EXPECT_STREQ(fault.className(), "EIntOverflow");
  }
  try {
    raiseInOutError(112);
  } catch (const EInOutError& fault) {
    EXPECT_EQ(fault.code(), 112);
    EXPECT_STREQ(fault.message(), "I/O error 112");
  }
  EXPECT_THROW(raiseOutOfMemory(), EHeapException);
}

}  // namespace
}  // namespace vantrel
