// sheetwright: drives the library from the command line.
//
//   sheetwright [--log DIR] [FILE]
//
// Reads one JSON command per line (excel.Command, UTF-8) from FILE or from
// standard input, passes each to Send in this process and prints each reply
// on a line of its own (UTF-8). Blank lines are skipped; a trailing CR is
// dropped, so files with CR LF line ends work as well. --log DIR switches the
// library's log on, writing into DIR.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "boundary/Exports.h"
#include "support/TextConversion.h"

namespace {

bool IsBlank(const std::string& line) {
  return line.find_first_not_of(" \t\r\n\v\f") == std::string::npos;
}

void Usage() { std::fputs("usage: sheetwright [--log DIR] [FILE]\n", stderr); }

int Run(std::istream& input) {
  std::string line;
  std::string reply;
  while (std::getline(input, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (IsBlank(line)) continue;
    const std::wstring request = ConvertStringToWstring(line);
    const wchar_t* answer = Send(request.c_str());
    reply.clear();
    AppendWideAsUtf8(reply, answer, std::wcslen(answer));
    reply += '\n';
    std::fwrite(reply.data(), 1, reply.size(), stdout);
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--log") == 0) {
      if (i + 1 >= argc) {
        Usage();
        return 2;
      }
      const std::wstring folder = ConvertStringToWstring(argv[++i]);
      InitializeLogger(1, folder.c_str());
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      Usage();
      return 0;
    } else if (file == nullptr) {
      file = argv[i];
    } else {
      Usage();
      return 2;
    }
  }
  if (file == nullptr) return Run(std::cin);
  std::ifstream input(file, std::ios::binary);
  if (!input) {
    std::fprintf(stderr, "sheetwright: cannot open %s\n", file);
    return 2;
  }
  return Run(input);
}
