#include "tests/session/session_test_support.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "boundary/Exports.h"
#include "server/host_hooks.h"
#include "support/LogControl.h"

namespace session_test {
namespace {

namespace fs = std::filesystem;

// ---- UTF-8 <-> wide text (the test's own, independent of the library) ----

std::wstring Widen(const std::string& text) {
  std::wstring wide;
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    uint32_t code = lead;
    size_t extra = 0;
    if (lead >= 0xF0) {
      code = lead & 0x07;
      extra = 3;
    } else if (lead >= 0xE0) {
      code = lead & 0x0F;
      extra = 2;
    } else if (lead >= 0xC0) {
      code = lead & 0x1F;
      extra = 1;
    }
    for (size_t k = 1; k <= extra && i + k < text.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += extra + 1;
    if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
      code -= 0x10000;
      wide += static_cast<wchar_t>(0xD800 + (code >> 10));
      wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(code);
    }
  }
  return wide;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; text != nullptr && *text != L'\0'; ++text) {
    uint32_t code = static_cast<uint32_t>(*text);
    if (sizeof(wchar_t) == 2 && code >= 0xD800 && code < 0xDC00 && text[1] != L'\0') {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(text[1]) - 0xDC00);
      ++text;
    }
    AppendUtf8(out, code);
  }
  return out;
}

// ---- A small JSON reader for the replies --------------------------------

struct JsonValue {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  bool boolean = false;
  std::string text;  // string value, or the number's text
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  const JsonValue* Member(const std::string& name) const {
    for (const auto& [key, value] : members) {
      if (key == name) return &value;
    }
    return nullptr;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : text_(text) {}

  JsonValue Read() {
    JsonValue value = Value();
    SkipBlanks();
    if (pos_ != text_.size()) throw std::runtime_error("trailing text in reply");
    return value;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  char Next() {
    if (pos_ >= text_.size()) throw std::runtime_error("reply ends early");
    return text_[pos_++];
  }
  void Expect(char c) {
    SkipBlanks();
    if (Next() != c) throw std::runtime_error(std::string("expected ") + c);
  }

  JsonValue Value() {
    SkipBlanks();
    JsonValue value;
    const char c = text_.at(pos_);
    if (c == '{') {
      value.kind = JsonValue::kObject;
      ++pos_;
      SkipBlanks();
      if (text_.at(pos_) == '}') {
        ++pos_;
        return value;
      }
      while (true) {
        SkipBlanks();
        std::string key = String();
        Expect(':');
        value.members.emplace_back(std::move(key), Value());
        SkipBlanks();
        if (Next() == '}') return value;
      }
    }
    if (c == '[') {
      value.kind = JsonValue::kArray;
      ++pos_;
      SkipBlanks();
      if (text_.at(pos_) == ']') {
        ++pos_;
        return value;
      }
      while (true) {
        value.items.push_back(Value());
        SkipBlanks();
        if (Next() == ']') return value;
      }
    }
    if (c == '"') {
      value.kind = JsonValue::kString;
      value.text = String();
      return value;
    }
    if (text_.compare(pos_, 4, "true") == 0) {
      value.kind = JsonValue::kBool;
      value.boolean = true;
      pos_ += 4;
      return value;
    }
    if (text_.compare(pos_, 5, "false") == 0) {
      value.kind = JsonValue::kBool;
      pos_ += 5;
      return value;
    }
    if (text_.compare(pos_, 4, "null") == 0) {
      pos_ += 4;
      return value;
    }
    value.kind = JsonValue::kNumber;
    while (pos_ < text_.size() && std::strchr("+-0123456789.eE", text_[pos_]) != nullptr) {
      value.text += text_[pos_++];
    }
    return value;
  }

  uint32_t Hex4() {
    uint32_t code = 0;
    for (int i = 0; i < 4; ++i) code = code * 16 + std::stoul(std::string(1, Next()), nullptr, 16);
    return code;
  }

  std::string String() {
    if (Next() != '"') throw std::runtime_error("expected a string");
    std::string out;
    while (true) {
      char c = Next();
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      c = Next();
      switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          uint32_t code = Hex4();
          if (code >= 0xD800 && code < 0xDC00 && text_.compare(pos_, 2, "\\u") == 0) {
            pos_ += 2;
            code = 0x10000 + ((code - 0xD800) << 10) + (Hex4() - 0xDC00);
          }
          AppendUtf8(out, code);
          break;
        }
        default: out += c; break;
      }
    }
  }

  const std::string& text_;
  size_t pos_ = 0;
};

Reply ParseReply(const std::string& json) {
  Reply reply;
  reply.json = json;
  const JsonValue root = JsonReader(json).Read();
  if (const JsonValue* status = root.Member("defaultResponse")) {
    reply.hasDefault = true;
    if (const JsonValue* v = status->Member("status")) reply.status = v->boolean;
    if (const JsonValue* v = status->Member("errorMessage")) reply.errorMessage = v->text;
    if (const JsonValue* v = status->Member("errorCode")) reply.errorCode = v->text;
    if (const JsonValue* v = status->Member("parameter")) {
      for (const auto& [key, value] : v->members) reply.parameters[key] = value.text;
    }
  }
  if (const JsonValue* type = root.Member("commandResponseType")) reply.type = type->text;
  if (const JsonValue* table = root.Member("tableResponse")) {
    reply.hasTable = true;
    if (const JsonValue* v = table->Member("moreRecordsAvailable")) reply.more = v->boolean;
    if (const JsonValue* variable = table->Member("TableVariable")) {
      if (const JsonValue* rows = variable->Member("rows")) {
        for (const JsonValue& row : rows->items) {
          std::vector<std::string> columns;
          if (const JsonValue* cells = row.Member("columns")) {
            for (const JsonValue& cell : cells->items) columns.push_back(cell.text);
          }
          reply.rows.push_back(std::move(columns));
        }
      }
    }
  }
  return reply;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c; break;
    }
  }
  return out + "\"";
}

// Scratch folders of this test process, removed when it ends.
class ScratchFolders {
 public:
  ~ScratchFolders() {
    std::error_code ignored;
    for (const std::string& folder : folders_) fs::remove_all(folder, ignored);
  }
  void Add(const std::string& folder) { folders_.push_back(folder); }

 private:
  std::vector<std::string> folders_;
};

std::string MakeTempFolder(const std::string& stem) {
  static ScratchFolders scratch;
  std::string pattern = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  scratch.Add(pattern);
  return pattern;
}

std::string RunAndCapture(const std::string& commandLine) {
  std::string output;
  FILE* pipe = popen(commandLine.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  pclose(pipe);
  return output;
}

}  // namespace

std::string Reply::OnlyCell() const {
  if (rows.size() == 1 && rows[0].size() == 1) return rows[0][0];
  return "<" + std::to_string(rows.size()) + " rows>";
}

Command::Command(std::string name, std::string session) : name_(std::move(name)) {
  parameters_.emplace_back("SessionName", std::move(session));
}

Command& Command::Param(const std::string& key, const std::string& value) {
  parameters_.emplace_back(key, value);
  return *this;
}

Command& Command::Param(const std::string& key, long value) {
  return Param(key, std::to_string(value));
}

std::string Command::Json() const {
  std::string json = "{\"commandName\":" + JsonString(name_) + ",\"parameter\":{";
  for (size_t i = 0; i < parameters_.size(); ++i) {
    if (i > 0) json += ",";
    json += JsonString(parameters_[i].first) + ":" + JsonString(parameters_[i].second);
  }
  return json + "}}";
}

Reply SendJson(const std::string& json) {
  const std::wstring request = Widen(json);
  const std::string reply = Narrow(::Send(request.c_str()));
  return ParseReply(reply);
}

Reply Send(const Command& command) { return SendJson(command.Json()); }

Reply Open(const std::string& session, const std::string& path, const std::string& sheet,
           int containHeader) {
  return Send(Command("Open", session)
                  .Param("FileName", path)
                  .Param("SheetName", sheet)
                  .Param("ContainHeader", containHeader));
}

Reply Attach(const std::string& session, const std::string& path, const std::string& sheet,
             int containHeader) {
  return Send(Command("Attach", session)
                  .Param("FileName", path)
                  .Param("SheetName", sheet)
                  .Param("ContainHeader", containHeader));
}

Reply Close(const std::string& session, int saveChanges) {
  return Send(Command("Close", session).Param("SaveChanges", saveChanges));
}

Reply Detach(const std::string& session, int saveChanges) {
  return Send(Command("Detach", session).Param("SaveChanges", saveChanges));
}

Reply ReadCell(const std::string& session, const std::string& address) {
  return Send(Command("GetSingleCell", session).Param("CellOption", 1).Param("CellAddress", address));
}

Reply ReadActiveCell(const std::string& session) {
  return Send(Command("GetSingleCell", session).Param("CellOption", 0));
}

Reply SwitchByName(const std::string& session, const std::string& name, int hasChart) {
  return Send(Command("SwitchToSheet", session)
                  .Param("ActivateSheetOption", 1)
                  .Param("Name", name)
                  .Param("HasChart", hasChart));
}

const std::string& FixtureFolder() {
  // One folder for every test process of the build: the first process writes
  // the workbooks under an exclusive lock, later ones find the stamp that
  // names the script version and reuse them.
  static const std::string folder = [] {
    const std::string target = SW_SESSION_FIXTURE_DIR;
    const std::string script = std::string(SW_SESSION_TEST_SOURCE_DIR) + "/make_fixtures.py";
    fs::create_directories(target);
    const std::string version =
        std::to_string(fs::file_size(script)) + ":" +
        std::to_string(fs::last_write_time(script).time_since_epoch().count());
    const int lock = ::open((target + "/.lock").c_str(), O_CREAT | O_RDWR, 0644);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    std::string stamp;
    std::ifstream(target + "/.stamp") >> stamp;
    if (stamp != version) {
      const std::string commandLine = "/usr/bin/python3 '" + script + "' '" + target + "'";
      if (std::system(commandLine.c_str()) != 0) {
        if (lock >= 0) ::close(lock);
        throw std::runtime_error("writing the fixtures with openpyxl failed: " + commandLine);
      }
      std::ofstream(target + "/.stamp") << version;
    }
    if (lock >= 0) ::close(lock);
    return target;
  }();
  return folder;
}

std::string FixturePath(const std::string& name) { return FixtureFolder() + "/" + name; }

std::string CopyOfFixture(const std::string& name) {
  const std::string folder = MakeTempFolder("sw-session-copy");
  const std::string copy = folder + "/" + name;
  fs::copy_file(FixturePath(name), copy);
  return copy;
}

std::vector<std::string> ReadBackWithOpenpyxl(const std::string& path, const std::string& sheet,
                                              const std::vector<std::string>& cells) {
  std::string program =
      "import sys, openpyxl\n"
      "ws = openpyxl.load_workbook(sys.argv[1])[sys.argv[2]]\n"
      "for a in sys.argv[3:]:\n"
      "    print(ws[a].value)\n";
  std::string commandLine = "/usr/bin/python3 -c '" + program + "' '" + path + "' '" + sheet + "'";
  for (const std::string& cell : cells) commandLine += " '" + cell + "'";
  std::istringstream lines(RunAndCapture(commandLine));
  std::vector<std::string> values;
  for (std::string line; std::getline(lines, line);) values.push_back(line);
  return values;
}

std::string RunPython(const std::string& program, const std::vector<std::string>& args) {
  const std::string script = MakeTempFolder("sw-session-python") + "/program.py";
  std::ofstream(script, std::ios::binary) << program;
  std::string commandLine = "/usr/bin/python3 '" + script + "'";
  for (const std::string& arg : args) commandLine += " '" + arg + "'";
  return RunAndCapture(commandLine);
}

long LiveServerObjects() { return static_cast<long>(SheetwrightLiveServerObjects()); }

std::string CaptureLog(const std::function<void()>& body) {
  const std::string folder = MakeTempFolder("sw-session-log");
  const std::wstring wideFolder = Widen(folder);
  // A log file stays open across folder changes: close it so that the lines
  // go to this folder, and again so that they reach the file.
  InitializeLogger(1, wideFolder.c_str());
  CloseLogFile();
  body();
  InitializeLogger(0, nullptr);
  CloseLogFile();
  std::ifstream file(folder + "/Norvix.Sheetwright.log", std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace session_test
