// Whole requests through Send, as a host would make them: each line of the
// input is one request, given to Send as wide text (decoded leniently, so
// lone surrogates and values past U+10FFFF reach the library too). Before
// the lines run, session "F" has a copy of a small workbook open, so command
// sequences reach the server; "@BOOK@" in a line stands for that copy's
// path. Afterwards every session the input named is closed without saving
// and detached, a workbook left open without a session is closed, and the
// server must hold no live object.
//
// Lines that could name a file outside the scratch folder (a '/' or a
// backslash, written or escaped) are skipped, so a save-as cannot overwrite
// anything else.
#include <google/protobuf/util/json_util.h>

#include <cstdint>
#include <cwchar>
#include <set>
#include <string>
#include <string_view>

#include "boundary/Exports.h"
#include "support/TextConversion.h"
#include "proto/command.pb.h"
#include "server/host_hooks.h"
#include "tests/fuzz/fuzz_support.h"

using namespace sheetwright;

namespace {

std::string g_book;      // the copy session "F" opens
std::string g_original;  // its bytes

bool MayNameAnotherFolder(std::string_view line) {
  if (line.find('/') != std::string_view::npos) return true;
  std::string lower(line);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find("\\\\") != std::string::npos || lower.find("\\/") != std::string::npos ||
         lower.find("\\u002f") != std::string::npos || lower.find("\\u005c") != std::string::npos ||
         lower.find("\\uff0f") != std::string::npos;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void SendWide(const std::wstring& wide) {
  const wchar_t* reply = Send(wide.c_str());
  if (reply == nullptr) fuzz::Finding("Send answered null");
  (void)std::wcslen(reply);
}

void SendUtf8(const std::string& json) { SendWide(fuzz::DecodeAnyWide(json)); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string dir = fuzz::ScratchDir();
  g_book = dir + "/book.xlsx";
  g_original = fuzz::ReadBytes(SW_FUZZ_SEED_BOOK);
  if (g_original.empty()) fuzz::Finding("cannot read " SW_FUZZ_SEED_BOOK);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (g_book.empty()) LLVMFuzzerInitialize(nullptr, nullptr);
  fuzz::WriteBytes(g_book, g_original);
  std::set<std::string> sessions = {"F"};
  SendUtf8("{\"commandName\":\"Open\",\"parameter\":{\"SessionName\":\"F\",\"FileName\":" + Quote(g_book) +
           ",\"SheetName\":\"Sheet1\",\"ContainHeader\":\"1\"}}");
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (int lines = 0; !input.empty() && lines < 32; ++lines) {
    const size_t end = input.find('\n');
    std::string line(input.substr(0, end));
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    // Judged as the library will see it: decoded, cut at the first NUL (Send
    // reads a C string), then converted to UTF-8 (an overlong form of '/' is
    // a '/' by then).
    std::wstring wide = fuzz::DecodeAnyWide(line);
    wide.resize(std::wcslen(wide.c_str()));
    std::string seen = ConvertWStringTostring(wide);
    if (MayNameAnotherFolder(seen)) continue;
    for (size_t at = seen.find("@BOOK@"); at != std::string::npos; at = seen.find("@BOOK@", at + g_book.size())) {
      seen.replace(at, 6, g_book);
    }
    excel::Command command;
    if (google::protobuf::util::JsonStringToMessage(seen, &command).ok()) {
      auto name = command.parameter().find("SessionName");
      sessions.insert(name == command.parameter().end() ? std::string() : name->second);
    }
    std::wstring request = wide;
    for (size_t at = request.find(L"@BOOK@"); at != std::wstring::npos;
         at = request.find(L"@BOOK@", at + g_book.size())) {
      request.replace(at, 6, std::wstring(g_book.begin(), g_book.end()));
    }
    SendWide(request);
  }
  for (const std::string& session : sessions) {
    SendUtf8("{\"commandName\":\"Close\",\"parameter\":{\"SessionName\":" + Quote(session) + ",\"SaveChanges\":\"0\"}}");
    SendUtf8("{\"commandName\":\"Detach\",\"parameter\":{\"SessionName\":" + Quote(session) + "}}");
  }
  // "Detach" and "AttachNewFileName" leave the workbook open in a running
  // application, as the real one would; attaching to it and closing it ends
  // that application too.
  for (int round = 0; round < 4 && SheetwrightLiveServerObjects() != 0; ++round) {
    SendUtf8("{\"commandName\":\"Attach\",\"parameter\":{\"SessionName\":\"~cleanup\",\"FileName\":" +
             Quote(g_book) + "}}");
    SendUtf8("{\"commandName\":\"Close\",\"parameter\":{\"SessionName\":\"~cleanup\",\"SaveChanges\":\"0\"}}");
    SendUtf8("{\"commandName\":\"Detach\",\"parameter\":{\"SessionName\":\"~cleanup\"}}");
  }
  ClearMemory();
  if (SheetwrightLiveServerObjects() != 0) {
    fuzz::Finding("server objects alive after every session closed: " + std::to_string(SheetwrightLiveServerObjects()));
  }
  return 0;
}
