// The platform table: one case per line, printed by the same source built
// against the platform layer on Linux and against the Windows system
// libraries (run under Wine). The runner compares the two outputs line by
// line. Argument: the fixture folder for the file listing cases.
#include <string>

#include "case_output.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: platform_table FIXTURE_FOLDER\n", stderr);
    return 2;
  }
  std::wstring folder;
  for (const char* c = argv[1]; *c; ++c) folder += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  platform_table::VariantConversionCases();
  platform_table::VariantFailureCases();
  platform_table::BstrCases();
  platform_table::SafeArrayCases();
  platform_table::CodePageCases();
  platform_table::ShellPathCases();
  platform_table::WideFormatCases();
  platform_table::FileFindCases(folder.c_str());
  platform_table::RunningObjectTableCases();
  std::fflush(stdout);
  return 0;
}
