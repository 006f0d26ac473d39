#include "server/files/workbook_part.h"

#include <algorithm>

#include "server/files/file_error.h"
#include "server/files/utf8.h"
#include "server/files/xml_dom.h"

namespace sheetwright::files {

WorkbookInfo ReadWorkbookPart(std::string_view xml, const std::string& partName) {
  pugi::xml_document doc;
  LoadXmlDom(doc, xml, partName);
  pugi::xml_node root = doc.document_element();
  if (LocalName(root.name()) != "workbook") throw FileError("The part " + partName + " is not a workbook part.");
  WorkbookInfo info;
  if (pugi::xml_node pr = Child(root, "workbookPr")) {
    std::string_view flag = Attr(pr, "date1904").value();
    info.date1904 = flag == "1" || flag == "true";
  }
  if (pugi::xml_node views = Child(root, "bookViews")) {
    if (pugi::xml_node view = Child(views, "workbookView")) info.activeTab = Attr(view, "activeTab").as_uint(0);
  }
  pugi::xml_node sheets = Child(root, "sheets");
  for (pugi::xml_node n = sheets.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element || LocalName(n.name()) != "sheet") continue;
    WorkbookSheetEntry e;
    e.name = WideFromUtf8(Attr(n, "name").value());
    e.relId = Attr(n, "id").value();
    e.state = Attr(n, "state").value();
    info.sheets.push_back(std::move(e));
  }
  if (info.sheets.empty()) throw FileError("The part " + partName + " lists no sheets; a workbook has at least one.");
  if (pugi::xml_node names = Child(root, "definedNames")) {
    for (pugi::xml_node n = names.first_child(); n; n = n.next_sibling()) {
      if (n.type() != pugi::node_element || LocalName(n.name()) != "definedName") continue;
      engine::DefinedName name;
      name.name = WideFromUtf8(Attr(n, "name").value());
      if (pugi::xml_attribute local = Attr(n, "localSheetId")) name.sheet = int32_t(local.as_uint(0));
      name.formula = WideFromUtf8(n.text().get());
      if (!name.name.empty()) info.definedNames.push_back(std::move(name));
    }
  }
  if (info.activeTab >= info.sheets.size()) info.activeTab = 0;
  return info;
}

std::string RewriteWorkbookPart(std::string_view xml, const std::string& partName,
                                const std::vector<SheetListing>& listing, size_t activeTab) {
  pugi::xml_document doc;
  LoadXmlDom(doc, xml, partName);
  pugi::xml_node root = doc.document_element();
  std::string prefix = PrefixOf(root);
  pugi::xml_node sheets = Child(root, "sheets");
  std::vector<pugi::xml_node> loaded;
  unsigned maxSheetId = 0;
  for (pugi::xml_node n = sheets.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element || LocalName(n.name()) != "sheet") continue;
    loaded.push_back(n);
    maxSheetId = std::max(maxSheetId, Attr(n, "sheetId").as_uint(0));
  }
  // The prefix the root declares for the relationships namespace; without
  // one, each new <sheet> declares it itself.
  constexpr const char* kRelNamespace = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  std::string relPrefix;
  for (pugi::xml_attribute a = root.first_attribute(); a; a = a.next_attribute()) {
    if (std::string_view(a.value()) == kRelNamespace && std::string_view(a.name()).rfind("xmlns:", 0) == 0) {
      relPrefix = std::string(a.name()).substr(6);
    }
  }
  pugi::xml_document scratch;
  std::vector<int> newPositionOfLoaded(loaded.size(), -1);
  std::vector<pugi::xml_node> ordered;
  for (size_t i = 0; i < listing.size(); ++i) {
    const SheetListing& s = listing[i];
    pugi::xml_node node;
    if (s.loadedPosition >= 0 && static_cast<size_t>(s.loadedPosition) < loaded.size()) {
      node = scratch.append_copy(loaded[static_cast<size_t>(s.loadedPosition)]);
      newPositionOfLoaded[static_cast<size_t>(s.loadedPosition)] = static_cast<int>(i);
    } else {
      node = scratch.append_child((prefix + "sheet").c_str());
      if (relPrefix.empty()) node.append_attribute("xmlns:r") = kRelNamespace;
      node.append_attribute("name");
      node.append_attribute("sheetId") = ++maxSheetId;
      node.append_attribute(((relPrefix.empty() ? std::string("r") : relPrefix) + ":id").c_str()) = s.relId.c_str();
    }
    Attr(node, "name").set_value(Utf8FromWide(s.name).c_str());
    pugi::xml_attribute state = Attr(node, "state");
    if (s.state.empty()) {
      if (state) node.remove_attribute(state);
    } else {
      if (!state) {
        pugi::xml_attribute sheetId = Attr(node, "sheetId");
        state = sheetId ? node.insert_attribute_after("state", sheetId) : node.append_attribute("state");
      }
      state.set_value(s.state.c_str());
    }
    ordered.push_back(node);
  }
  while (pugi::xml_node n = sheets.first_child()) sheets.remove_child(n);
  for (pugi::xml_node n : ordered) sheets.append_copy(n);

  if (pugi::xml_node names = Child(root, "definedNames")) {
    std::vector<pugi::xml_node> drop;
    for (pugi::xml_node n = names.first_child(); n; n = n.next_sibling()) {
      if (n.type() != pugi::node_element) continue;
      pugi::xml_attribute local = Attr(n, "localSheetId");
      if (!local) continue;
      unsigned old = local.as_uint(0);
      if (old < newPositionOfLoaded.size() && newPositionOfLoaded[old] >= 0) {
        local = newPositionOfLoaded[old];
      } else if (old < newPositionOfLoaded.size()) {
        drop.push_back(n);
      }
    }
    for (pugi::xml_node n : drop) names.remove_child(n);
    if (!names.first_child()) root.remove_child(names);
  }

  pugi::xml_node views = Child(root, "bookViews");
  if (!views) {
    pugi::xml_node before = sheets;
    views = root.insert_child_before((prefix + "bookViews").c_str(), before);
  }
  pugi::xml_node view = Child(views, "workbookView");
  if (!view) view = views.append_child((prefix + "workbookView").c_str());
  pugi::xml_attribute tab = Attr(view, "activeTab");
  if (activeTab == 0) {
    if (tab) view.remove_attribute(tab);
  } else {
    if (!tab) tab = view.append_attribute("activeTab");
    tab = static_cast<unsigned>(activeTab);
  }
  // firstSheet must not point past the sheet list.
  if (pugi::xml_attribute first = Attr(view, "firstSheet"); first && first.as_uint(0) >= listing.size()) {
    view.remove_attribute(first);
  }
  return SaveXmlDom(doc);
}

}  // namespace sheetwright::files
