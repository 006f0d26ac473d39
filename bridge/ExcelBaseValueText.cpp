// ExcelBase: a cell's value as text, counts, and R1C1 addresses as numbers.
#include <cmath>
#include <cstring>
#include <cwchar>
#include <new>

#include "bridge/ExcelBase.h"
#include "bridge/FixedTextWriter.h"
#include "bridge/NumberText.h"
#include "bridge/OwnedVariant.h"
#include "support/LenientInteger.h"
#include "support/Log.h"

namespace {

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Reads [begin, end) with the lenient integer rule: optional leading blanks
// and sign, then digits up to the first other character; 0 without digits,
// clamped to the LONG range.
LONG ReadDecimal(const wchar_t* begin, const wchar_t* end) {
  return ReadLenientInteger(std::wstring_view(begin, static_cast<size_t>(end - begin)));
}

size_t FindCharacter(const wchar_t* text, size_t length, wchar_t c, size_t from) {
  for (size_t i = from; i < length; ++i) {
    if (text[i] == c) return i;
  }
  return static_cast<size_t>(-1);
}

}  // namespace

wchar_t* ExcelBase::GetValuePropertyData(IDispatch* range) {
  if (range == nullptr) return nullptr;
  ClearAllArgs();
  OwnedVariant value;
  if (!ExlInvoke(range, L"Value", value.Out(), DISPATCH_PROPERTYGET, kClearArgumentsAfterCall)) {
    return nullptr;
  }
  if (value.Type() == VT_ERROR) {  // an error value such as #N/A reads as empty text
    WriteLog(L"GetValuePropertyData", L"Error in Retrive Property value");
  }
  std::wstring text;
  const HRESULT hr = CellTextOf(value.Get(), text);
  if (FAILED(hr)) {
    // A multi-cell range answers an array, which has no text form.
    m_errorCode[0] = L'\0';
    FixedTextWriter(m_errorMessage, kErrorTextSize)
        .Text(L"Value: The value cannot be read as the text of one cell. Error code. 0x")
        .Hex(static_cast<uint32_t>(hr));
    WriteLog(L"GetValuePropertyData", m_errorMessage);
    return nullptr;
  }
  return NewTextArray(text);
}

HRESULT ExcelBase::CellTextOf(const VARIANT& value, std::wstring& text) {
  text.clear();
  switch (value.vt) {
    case VT_ERROR:
    case VT_EMPTY:
      return S_OK;
    case VT_R8:
      // A whole number below 1E+15 reads as its digits under the number
      // rule (its OLE text has no point, and -0 reads as 0); that text is
      // made directly.
      if (value.dblVal == std::trunc(value.dblVal) && std::fabs(value.dblVal) < 1e15) {
        text = std::to_wstring(static_cast<long long>(value.dblVal));
      } else {
        ExtractValueProperty(value, text);
      }
      return S_OK;
    case VT_BSTR:
      text = VariantText(value);
      return S_OK;
    case VT_BOOL:
      text = value.boolVal == VARIANT_TRUE ? L"TRUE" : L"FALSE";
      return S_OK;
    default: {
      OwnedVariant converted;
      const HRESULT hr = VariantChangeType(converted.Out(), &value, 0, VT_BSTR);
      if (SUCCEEDED(hr)) text = converted.Text();
      return hr;
    }
  }
}

wchar_t* ExcelBase::NewTextArray(const std::wstring& text) {
  wchar_t* copy = new (std::nothrow) wchar_t[text.size() + 1];
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  return copy;
}

void ExcelBase::ExtractValueProperty(const VARIANT& value, std::wstring& text) {
  OwnedVariant oleText;
  const bool converted = SUCCEEDED(VariantChangeType(oleText.Out(), &value, 0, VT_BSTR)) &&
                         oleText.Type() == VT_BSTR;
  const BSTR chars = converted ? oleText.Get().bstrVal : nullptr;
  const size_t length = SysStringLen(chars);
  if (value.vt == VT_R8) {
    FormatNumberLikeOleText(value.dblVal, chars != nullptr ? chars : L"", length,
                            UserDecimalPoint(), text);
  } else {
    text.assign(chars != nullptr ? chars : L"", length);
  }
}

LONG ExcelBase::GetCountValue(VARIANT value) {
  switch (value.vt) {
    case VT_EMPTY:
      return 0;
    case VT_I4:
    case VT_INT:
      return value.lVal;
    case VT_I2:
      return value.iVal;
    default: {
      VARIANT number;
      std::memset(&number, 0, sizeof(number));
      if (FAILED(VariantChangeType(&number, &value, 0, VT_I4))) return 0;
      return number.lVal;
    }
  }
}

void ExcelBase::GetRowColumnCharacter(const wchar_t* address, char& rowLetter,
                                      char& columnLetter) {
  rowLetter = 'R';
  columnLetter = 'C';
  if (address == nullptr) return;
  for (size_t i = 0; address[i] != L'\0'; ++i) {
    // Only the low eight bits of each character are looked at.
    const unsigned char c = static_cast<unsigned char>(address[i] & 0xFF);
    if (!IsAsciiLetter(c)) continue;
    if (i == 0) {
      rowLetter = static_cast<char>(c);
    } else {
      columnLetter = static_cast<char>(c);
      break;
    }
  }
}

void ExcelBase::GetRowColIndexFromReferenceAddress(const wchar_t* address, LONG& row,
                                                   LONG& column) {
  row = 0;
  column = 0;
  const wchar_t* text = address != nullptr ? address : L"";
  const size_t length = std::wcslen(text);
  const wchar_t* end = text + length;
  char rowLetter = 'R';
  char columnLetter = 'C';
  GetRowColumnCharacter(text, rowLetter, columnLetter);

  const size_t notFound = static_cast<size_t>(-1);
  const size_t rowAt = FindCharacter(text, length, static_cast<unsigned char>(rowLetter), 0);
  if (rowAt == notFound) {
    row = ReadDecimal(text, end);
    column = ReadDecimal(text, end);
    return;
  }
  const size_t columnAt =
      FindCharacter(text, length, static_cast<unsigned char>(columnLetter), rowAt);
  // The row digits run from after the row letter for columnAt - 1 characters
  // (the row letter stands at index 0 in an R1C1 address); without a column
  // letter they run to the end, and the column is read from the whole text.
  const size_t rowBegin = rowAt + 1;
  const size_t rowCount = columnAt == notFound || columnAt == 0 ? notFound : columnAt - 1;
  const size_t available = length - rowBegin;
  const size_t rowEnd = rowBegin + (rowCount < available ? rowCount : available);
  row = ReadDecimal(text + rowBegin, text + rowEnd);
  const size_t columnBegin = columnAt == notFound ? 0 : columnAt + 1;
  column = ReadDecimal(text + columnBegin, end);
}
