// The package reader and writer. The first byte chooses the input's form:
// even, the bytes are a zip file as it would lie on disk (mutations reach
// the zip structure); odd, they are parts, name and content separated by
// NUL bytes, which the target zips itself (mutations reach the XML inside
// each part). Whatever loads must save, and the saved package must load
// again with the same cells.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "server/files/zip_writer.h"
#include "tests/fuzz/fuzz_support.h"

using namespace sheetwright;

namespace {

void WritePartsAsZip(std::string_view input, const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) fuzz::Finding("cannot create " + path);
  {
    files::ZipWriter writer(fd, path);
    while (!input.empty()) {
      const size_t nameEnd = input.find('\0');
      const std::string name(input.substr(0, nameEnd));
      input.remove_prefix(nameEnd == std::string_view::npos ? input.size() : nameEnd + 1);
      const size_t contentEnd = input.find('\0');
      const std::string_view content = input.substr(0, contentEnd);
      input.remove_prefix(contentEnd == std::string_view::npos ? input.size() : contentEnd + 1);
      if (name.empty() || name.size() > 200) continue;
      writer.AddDeflated(name, content);
    }
    writer.Finish();
  }
  ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string dir = fuzz::ScratchDir();
  const std::string in = dir + "/in.xlsx";
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1) {
    try {
      WritePartsAsZip(input, in);
    } catch (const std::exception&) {
      return 0;  // a part name the writer refuses
    }
  } else {
    fuzz::WriteBytes(in, input);
  }
  engine::Workbook book;
  if (!files::LoadWorkbook(files::WideFromUtf8(in), book).ok()) return 0;

  // Every worksheet is written again, and one new text goes through the
  // shared-string table.
  for (auto& sheet : book.sheets) sheet->modified = true;
  if (engine::Sheet* first = book.WorksheetAt(0)) {
    engine::Cell& cell = first->Put(engine::kMaxRows, 3);
    cell.ClearContent();
    cell.type = engine::CellType::Text;
    cell.text = book.strings.Intern(L"added <&> \U0001F600");
  }
  book.dirty = true;
  const std::string out = dir + "/out.xlsx";
  ::unlink(out.c_str());
  book.fullPath = files::WideFromUtf8(out);
  const files::FileStatus saved = files::SaveWorkbook(book);
  if (!saved.ok()) fuzz::Finding("a package that loaded cannot be saved: " + files::Utf8FromWide(saved.description));

  engine::Workbook again;
  const files::FileStatus reloaded = files::LoadWorkbook(files::WideFromUtf8(out), again);
  if (!reloaded.ok()) fuzz::Finding("a saved package does not load: " + files::Utf8FromWide(reloaded.description));
  std::string why;
  if (!fuzz::SameCells(book, again, why)) fuzz::Finding("save and load changed the cells: " + why);
  return 0;
}
