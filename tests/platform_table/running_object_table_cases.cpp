// The Running Object Table with file monikers: registration, lookup,
// enumeration with display names, duplicate names and revocation.
#include <algorithm>
#include <string>
#include <vector>

#include "case_output.h"
#include "value_dispatch.h"

namespace platform_table {
namespace {

// The display names of every running object, sorted (the table's order is
// the implementation's own).
std::string RunningNames(IRunningObjectTable* table, const std::wstring& prefix) {
  IEnumMoniker* monikers = nullptr;
  HRESULT hr = table->EnumRunning(&monikers);
  if (FAILED(hr)) return "EnumRunning " + Hr(hr);
  IBindCtx* context = nullptr;
  CreateBindCtx(0, &context);
  std::vector<std::string> names;
  IMoniker* moniker = nullptr;
  ULONG fetched = 0;
  while (monikers->Next(1, &moniker, &fetched) == S_OK) {
    LPOLESTR name = nullptr;
    if (SUCCEEDED(moniker->GetDisplayName(context, nullptr, &name)) && name) {
      const std::wstring text = name;
      // Other programs' registrations in the same session are left out.
      if (text.compare(0, prefix.size(), prefix) == 0) names.push_back(Quoted(name));
      CoTaskMemFree(name);
    }
    moniker->Release();
  }
  const HRESULT after = monikers->Next(1, &moniker, &fetched);
  monikers->Release();
  context->Release();
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& n : names) out += n + " ";
  return out + "then " + Hr(after) + " fetched " + std::to_string(fetched);
}

}  // namespace

void RunningObjectTableCases() {
  CoInitialize(nullptr);
  IRunningObjectTable* table = nullptr;
  Case("GetRunningObjectTable", Hr(GetRunningObjectTable(0, &table)) + (table ? " table" : " null"));
  const std::wstring prefix = L"C:\\PlatformTable\\";
  const std::wstring first = prefix + L"Book One.xlsx";
  const std::wstring second = prefix + L"b\x00e9.xlsx";

  IMoniker* firstName = nullptr;
  IMoniker* secondName = nullptr;
  IMoniker* firstAgain = nullptr;
  Case("CreateFileMoniker", Hr(CreateFileMoniker(first.c_str(), &firstName)));
  CreateFileMoniker(second.c_str(), &secondName);
  CreateFileMoniker((prefix + L"BOOK ONE.XLSX").c_str(), &firstAgain);
  DWORD system = 99;
  firstName->IsSystemMoniker(&system);
  Case("file moniker IsSystemMoniker", std::to_string(system));
  Case("file moniker IsEqual other case", Hr(firstName->IsEqual(firstAgain)));
  Case("file moniker IsEqual other name", Hr(firstName->IsEqual(secondName)));

  VARIANT none;
  VariantInit(&none);
  ValueDispatch workbookOne(none, S_OK);
  ValueDispatch workbookTwo(none, S_OK);
  DWORD cookieOne = 0;
  DWORD cookieTwo = 0;
  DWORD cookieDuplicate = 0;
  Case("Register", Hr(table->Register(0, &workbookOne, firstName, &cookieOne)));
  Case("Register second", Hr(table->Register(0, &workbookTwo, secondName, &cookieTwo)));
  Case("Register same name other case", Hr(table->Register(0, &workbookTwo, firstAgain, &cookieDuplicate)));
  Case("registration references", std::to_string(workbookOne.references()) + " " +
                                      std::to_string(workbookTwo.references()));
  Case("IsRunning", Hr(table->IsRunning(firstName)));
  IUnknown* found = nullptr;
  HRESULT hr = table->GetObject(secondName, &found);
  Case("GetObject", Hr(hr) + (found == static_cast<IUnknown*>(&workbookTwo) ? " registered object" : " other"));
  if (found) found->Release();
  Case("EnumRunning names", RunningNames(table, prefix));

  IBindCtx* context = nullptr;
  CreateBindCtx(0, &context);
  IUnknown* bound = nullptr;
  hr = firstName->BindToObject(context, nullptr, IID_IUnknown, reinterpret_cast<void**>(&bound));
  Case("BindToObject running", Hr(hr) + (bound ? " object" : " null"));
  if (bound) bound->Release();
  context->Release();

  Case("Revoke duplicate", Hr(table->Revoke(cookieDuplicate)));
  Case("Revoke", Hr(table->Revoke(cookieOne)));
  Case("Revoke again", Hr(table->Revoke(cookieOne)));
  Case("IsRunning after revoke", Hr(table->IsRunning(firstName)));
  found = reinterpret_cast<IUnknown*>(1);
  Case("GetObject after revoke", Hr(table->GetObject(firstName, &found)) + (found ? " not null" : " null"));
  Case("EnumRunning after revoke", RunningNames(table, prefix));
  table->Revoke(cookieTwo);
  Case("references after revoking", std::to_string(workbookOne.references()) + " " +
                                        std::to_string(workbookTwo.references()));
  firstName->Release();
  secondName->Release();
  firstAgain->Release();
  table->Release();
  CoUninitialize();
}

}  // namespace platform_table
